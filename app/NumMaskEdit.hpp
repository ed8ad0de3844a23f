// TNumMaskEdit: velmont's numeric field. A line edit with an edit mask of digit slots and
// literal characters; its text is read and written by the mask's own rules (see NumMask), and
// only digits can be typed into its slots.
#pragma once

#include <QClipboard>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

/// An edit mask "pattern;save-literals;blank": in the pattern "9" (optional) and "0"
/// (required) are digit slots, "\x" is the literal x and any other character is a literal.
/// Save-literals "0" leaves the literals out of the field's value; the blank character (empty
/// third part: "_") shows an empty slot.
class NumMask {
  public:
    /// Parses a mask; an empty mask gives a field of no positions.
    explicit NumMask(const QString& mask = QString());

    /// Number of positions shown (slots and literals).
    int Length() const { return static_cast<int>(slot_.size()); }
    /// True when position `i` is a digit slot.
    bool IsSlot(int i) const { return slot_[static_cast<size_t>(i)]; }
    /// True when position `i` is a slot that must not stay empty.
    bool IsRequired(int i) const { return required_[static_cast<size_t>(i)]; }
    /// The literal shown at position `i` (meaningless for slots).
    QChar Literal(int i) const { return display_[i]; }
    /// The character that shows an empty slot.
    QChar Blank() const { return blank_; }

    /// The shown text of a field with no digits: literals and blanks.
    QString EmptyDisplay() const { return display_; }
    /// The shown text after writing `text`: its characters go into the slots from the left, a
    /// digit fills its slot, anything else (the blank "_" in particular) leaves it empty; what
    /// does not fit is dropped.
    QString Write(const QString& text) const;
    /// The value of a shown text: the slots' characters in order, trailing empty slots dropped,
    /// inner empty slots read as blanks (with literals where the mask saves them).
    QString Read(const QString& display) const;
    /// True when no required slot of the shown text is empty.
    bool IsComplete(const QString& display) const;
    /// Number of digit slots.
    int Slots() const;

  private:
    std::vector<bool> slot_;
    std::vector<bool> required_;
    QString display_;
    QChar blank_ = QLatin1Char('_');
    bool saveLiterals_ = false;
};

/// The numeric mask field. Text() / SetText() read and write the field's value by the mask's
/// rules; text() / setText() are the same operations (they hide QLineEdit's, which would bypass
/// the mask). Writing a different text emits Change(), as typing does.
class TNumMaskEdit : public QLineEdit {
    Q_OBJECT

  public:
    /// A field with the given edit mask, empty.
    explicit TNumMaskEdit(const QString& mask = QString(), QWidget* parent = nullptr);

    /// Replaces the edit mask; the field is emptied.
    void SetEditMask(const QString& mask);
    /// The edit mask's parsed form.
    const NumMask& EditMask() const { return mask_; }

    /// The field's value (see NumMask::Read): e.g. " 37395" for the shown "     _37 395".
    QString Text() const;
    /// Writes a value into the slots from the left (see NumMask::Write).
    void SetText(const QString& text);
    /// Same as Text().
    QString text() const { return Text(); }
    /// Same as SetText().
    void setText(const QString& text) { SetText(text); }

    /// Called when the text fails the mask's check on leaving the field: only beeps.
    virtual void ValidateError();

    /// Offered every pasted text first; returns true when it took the text itself (a
    /// window's fields may take more than one number from one paste).
    std::function<bool(const QString& text)> PasteHandler;

    /// The whole numbers that a pasted or copied text stands for, as their digits, one or two;
    /// blanks around, and the field's own empty slots and literals before, are ignored.
    /// One number is its digits alone or grouped by thousands with single blanks, no-break or
    /// thin spaces ("530 000", "1 300 000"); no sign, no decimal point, no comma ("530,000"
    /// and "530.000" mean different numbers in different countries). Two numbers are two
    /// cells, one semicolon, tab or line break apart ("651410;313177", "651 410\t313 177"), or
    /// two parts of five or more digits each, a comma ("651410,313177") or blanks
    /// ("651410 313177") apart. Anything else, and text that reads both ways ("53 0000",
    /// "123 45", "651410,5"), stands for nothing.
    static std::optional<QStringList> PastedNumbers(const QString& text);
    /// The one whole number of PastedNumbers(), or nothing.
    static std::optional<QString> PlainNumber(const QString& text);

  signals:
    /// The shown text changed, by typing or writing.
    void Change();
    /// The focus left the field for another control of the same window.
    void Exit();
    /// A click (mouse released over the field), not the second one of a double-click.
    void Click();
    /// A double-click.
    void DblClick();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void Show(const QString& display, int cursor);
    void TypeDigits(const QString& digits);
    void Paste(QClipboard::Mode mode = QClipboard::Clipboard);
    void CopyNumber();
    void ClearSelection();
    void EraseBackward();
    void EraseForward();
    int NextSlot(int from) const;

    NumMask mask_;
    bool afterDoubleClick_ = false;
};
