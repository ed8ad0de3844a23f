#include "NumMaskEdit.hpp"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "tarnwick_binding.hpp"

// --- NumMask ---

NumMask::NumMask(const QString& mask) {
    const QStringList parts = mask.split(QLatin1Char(';'));
    const QString pattern = parts.value(0);
    saveLiterals_ = parts.value(1) == QLatin1String("1");
    if (!parts.value(2).isEmpty()) {
        blank_ = parts.value(2).at(0);
    }
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        QChar c = pattern.at(i);
        const bool escaped = c == QLatin1Char('\\') && i + 1 < pattern.size();
        if (escaped) {
            c = pattern.at(++i);
        }
        const bool isSlot = !escaped && (c == QLatin1Char('9') || c == QLatin1Char('0'));
        slot_.push_back(isSlot);
        required_.push_back(isSlot && c == QLatin1Char('0'));
        display_.append(isSlot ? blank_ : c);
    }
}

QString NumMask::Write(const QString& text) const {
    QString display = display_;
    qsizetype next = 0;
    for (int i = 0; i < Length() && next < text.size(); ++i) {
        if (IsSlot(i)) {
            const QChar c = text.at(next++);
            display[i] = c.isDigit() && c.unicode() < 128 ? c : blank_;
        }
    }
    return display;
}

QString NumMask::Read(const QString& display) const {
    QString value;
    qsizetype filled = 0;  // length of `value` up to its last filled slot
    for (int i = 0; i < Length() && i < display.size(); ++i) {
        if (IsSlot(i)) {
            const bool empty = display.at(i) == blank_;
            value.append(empty ? QLatin1Char(' ') : display.at(i));
            if (!empty) {
                filled = value.size();
            }
        } else if (saveLiterals_) {
            value.append(display.at(i));
        }
    }
    value.truncate(filled);
    return value;
}

bool NumMask::IsComplete(const QString& display) const {
    for (int i = 0; i < Length() && i < display.size(); ++i) {
        if (IsRequired(i) && display.at(i) == blank_) {
            return false;
        }
    }
    return true;
}

int NumMask::Slots() const {
    return static_cast<int>(std::count(slot_.begin(), slot_.end(), true));
}

// --- TNumMaskEdit ---

TNumMaskEdit::TNumMaskEdit(const QString& mask, QWidget* parent) : QLineEdit(parent) {
    // All editing runs through the mask's slots; input methods and drops would bypass them.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setDragEnabled(false);
    setAcceptDrops(false);
    SetEditMask(mask);
}

void TNumMaskEdit::SetEditMask(const QString& mask) {
    mask_ = NumMask(mask);
    setMaxLength(mask_.Length() > 0 ? mask_.Length() : 32767);
    Show(mask_.EmptyDisplay(), 0);
}

QString TNumMaskEdit::Text() const {
    return mask_.Read(QLineEdit::text());
}

void TNumMaskEdit::SetText(const QString& text) {
    Show(mask_.Write(text), 0);
}

void TNumMaskEdit::ValidateError() {
    Beep(window());
}

void TNumMaskEdit::Show(const QString& display, int cursor) {
    if (display != QLineEdit::text()) {
        QLineEdit::setText(display);
        setCursorPosition(cursor);
        emit Change();
    } else {
        setCursorPosition(cursor);
    }
}

int TNumMaskEdit::NextSlot(int from) const {
    for (int i = from; i < mask_.Length(); ++i) {
        if (mask_.IsSlot(i)) {
            return i;
        }
    }
    return -1;
}

void TNumMaskEdit::ClearSelection() {
    if (!hasSelectedText()) {
        return;
    }
    const int start = selectionStart();
    QString display = QLineEdit::text();
    for (int i = start; i < start + static_cast<int>(selectedText().size()); ++i) {
        if (mask_.IsSlot(i)) {
            display[i] = mask_.Blank();
        }
    }
    Show(display, start);
}

void TNumMaskEdit::TypeDigits(const QString& digits) {
    ClearSelection();
    QString display = QLineEdit::text();
    int position = cursorPosition();
    for (const QChar c : digits) {
        const int slot = NextSlot(position);
        if (slot < 0) {
            // A digit with no slot left would silently change the number typed: refuse aloud.
            Beep(window());
            break;
        }
        display[slot] = c;
        position = slot + 1;
    }
    // Like the caret of a masked field, step over the literals after the last digit typed.
    const int next = NextSlot(position);
    Show(display, next < 0 ? position : next);
}

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Characters that may group the digits of a number: the blank, the no-break and thin spaces.
bool IsGroupSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x2009) || c == QChar(0x202F);
}

// One whole number: a single group of digits, or groups of exactly three digits after a first
// of one to three, each separated by one grouping character ("530 000", "1 300 000").
std::optional<QString> GroupedNumber(const QString& text) {
    QString digits;
    qsizetype group = 0;  // digits in the group being read
    bool grouped = false;
    for (const QChar c : text) {
        if (IsAsciiDigit(c)) {
            digits.append(c);
            ++group;
        } else if (IsGroupSeparator(c) && group > 0 && (grouped ? group == 3 : group <= 3)) {
            grouped = true;
            group = 0;
        } else {
            return std::nullopt;
        }
    }
    if (group == 0 || (grouped && group != 3)) {
        return std::nullopt;
    }
    return digits;
}

// Two groups of digits apart, five or more digits each. A shorter part could be a group of
// a number written some other way, and no easting or northing below 10000 (within 10 km of
// the grid's west or south edge) is on land.
std::optional<QStringList> LongPair(const QString& first, const QString& second) {
    const auto digitsOnly = [](const QString& part) {
        return !part.isEmpty() && std::all_of(part.begin(), part.end(), IsAsciiDigit);
    };
    if (first.size() < 5 || second.size() < 5 || !digitsOnly(first) || !digitsOnly(second)) {
        return std::nullopt;
    }
    return QStringList{first, second};
}

}  // namespace

std::optional<QStringList> TNumMaskEdit::PastedNumbers(const QString& text) {
    QString trimmed = text.trimmed();
    // The field's own shown text starts with its empty slots and literals: "     _37 395".
    qsizetype first = 0;
    while (first < trimmed.size() &&
           (trimmed.at(first) == QLatin1Char('_') || IsGroupSeparator(trimmed.at(first)))) {
        ++first;
    }
    trimmed.remove(0, first);

    // Cells of a table: a semicolon, a tab, a line break or a comma between two numbers.
    static const QRegularExpression cell(QStringLiteral("\\r\\n|[;\\t\\r\\n,]"));
    const QStringList cells = trimmed.split(cell);
    if (cells.size() == 2) {
        // A comma also stands for a decimal point or a thousands group ("651410,5", "530,000",
        // "123 456,789"): only two long plain numbers are a pair.
        if (trimmed.contains(QLatin1Char(','))) {
            return LongPair(cells[0].trimmed(), cells[1].trimmed());
        }
        const std::optional<QString> easting = GroupedNumber(cells[0].trimmed());
        const std::optional<QString> northing = GroupedNumber(cells[1].trimmed());
        if (!easting || !northing) {
            return std::nullopt;
        }
        return QStringList{*easting, *northing};
    }
    if (cells.size() != 1) {
        return std::nullopt;
    }
    // Blanks alone: a number when they group it by thousands, else a pair of long numbers.
    if (const std::optional<QString> number = GroupedNumber(trimmed)) {
        return QStringList{*number};
    }
    static const QRegularExpression blanks(QStringLiteral("[ \\x{00A0}\\x{2009}\\x{202F}]+"));
    const QStringList parts = trimmed.split(blanks);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    return LongPair(parts[0], parts[1]);
}

std::optional<QString> TNumMaskEdit::PlainNumber(const QString& text) {
    const std::optional<QStringList> numbers = PastedNumbers(text);
    if (!numbers || numbers->size() != 1) {
        return std::nullopt;
    }
    return numbers->front();
}

void TNumMaskEdit::Paste(QClipboard::Mode mode) {
    const QString text = QGuiApplication::clipboard()->text(mode);
    if (PasteHandler && PasteHandler(text)) {
        return;
    }
    // Only a whole number that fits is taken, right-aligned as the window writes numbers;
    // anything else would put a different number into the field than the one copied.
    const std::optional<QString> number = PlainNumber(text);
    const int width = mask_.Slots();
    if (!number || number->size() > width) {
        Beep(window());
        return;
    }
    SetText(QString(width - number->size(), QLatin1Char('_')) + *number);
}

void TNumMaskEdit::CopyNumber() {
    // The number as it reads, without the mask's blanks and empty-slot characters.
    QString digits;
    for (const QChar c : selectedText()) {
        if (IsAsciiDigit(c)) {
            digits.append(c);
        }
    }
    if (!digits.isEmpty()) {
        QGuiApplication::clipboard()->setText(digits);
    }
}

void TNumMaskEdit::EraseBackward() {
    QString display = QLineEdit::text();
    for (int i = cursorPosition() - 1; i >= 0; --i) {
        if (mask_.IsSlot(i)) {
            display[i] = mask_.Blank();
            Show(display, i);
            return;
        }
    }
    setCursorPosition(0);
}

void TNumMaskEdit::EraseForward() {
    const int slot = NextSlot(cursorPosition());
    if (slot >= 0) {
        QString display = QLineEdit::text();
        display[slot] = mask_.Blank();
        Show(display, slot);
    }
}

void TNumMaskEdit::keyPressEvent(QKeyEvent* event) {
    const bool editable = !isReadOnly();
    if (event->matches(QKeySequence::Copy)) {
        CopyNumber();
        event->accept();
        return;
    }
    // Moving, selecting and leaving the field work as in any line edit.
    if (event->matches(QKeySequence::SelectAll) || event->key() == Qt::Key_Left ||
        event->key() == Qt::Key_Right || event->key() == Qt::Key_Home ||
        event->key() == Qt::Key_End || event->key() == Qt::Key_Tab ||
        event->key() == Qt::Key_Backtab || event->matches(QKeySequence::SelectStartOfLine) ||
        event->matches(QKeySequence::SelectEndOfLine) ||
        event->matches(QKeySequence::SelectPreviousChar) ||
        event->matches(QKeySequence::SelectNextChar)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (editable && event->matches(QKeySequence::Paste)) {
        Paste();
    } else if (editable && event->matches(QKeySequence::Cut)) {
        if (hasSelectedText()) {
            CopyNumber();
            ClearSelection();
        }
    } else if (editable && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
        if (hasSelectedText()) {
            ClearSelection();
        } else if (event->key() == Qt::Key_Backspace) {
            EraseBackward();
        } else {
            EraseForward();
        }
    } else if (editable && event->text().size() == 1 && event->text().at(0).isDigit() &&
               event->text().at(0).unicode() < 128) {
        TypeDigits(event->text());
    } else {
        // Any other key is not the field's: Return, Escape and shortcuts reach the window.
        event->ignore();
        return;
    }
    event->accept();
}

void TNumMaskEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Only a move of the focus to another control counts as leaving the field; the window
    // losing its activation (a click into the map window) does not.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
        return;
    }
    if (!mask_.IsComplete(QLineEdit::text())) {
        ValidateError();
    }
    emit Exit();
}

void TNumMaskEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    // In a field without digits the caret goes to the first slot, wherever the click lands,
    // so that a number typed next fills the field from its start.
    if (!isReadOnly() && Text().isEmpty() && !hasSelectedText()) {
        const int first = NextSlot(0);
        setCursorPosition(first < 0 ? 0 : first);
    }
}

void TNumMaskEdit::mouseReleaseEvent(QMouseEvent* event) {
    // A middle click pastes the selection, where the system keeps one, by the rule of Ctrl+V;
    // the line edit would insert its text past the mask.
    if (event->button() == Qt::MiddleButton) {
        if (!isReadOnly() && QGuiApplication::clipboard()->supportsSelection()) {
            Paste(QClipboard::Selection);
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
    const bool second = afterDoubleClick_;
    afterDoubleClick_ = false;
    // A drag that selected text is no click: the selection stays for copying.
    if (event->button() == Qt::LeftButton && !second && !hasSelectedText() &&
        rect().contains(event->position().toPoint())) {
        emit Click();
    }
}

void TNumMaskEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        afterDoubleClick_ = true;
        emit DblClick();
    }
}

void TNumMaskEdit::contextMenuEvent(QContextMenuEvent* event) {
    // Only the operations that respect the mask: copy, paste of digits, select all.
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("&Copy"), this, &TNumMaskEdit::CopyNumber);
    copy->setEnabled(hasSelectedText());
    if (!isReadOnly()) {
        menu.addAction(tr("&Paste"), this, [this] { Paste(); });
    }
    menu.addSeparator();
    menu.addAction(tr("Select &All"), this, &QLineEdit::selectAll);
    menu.exec(event->globalPos());
}
