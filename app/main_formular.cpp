#include "main_formular.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyle>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

#include "global_types.hpp"
#include "grid_reference.hpp"
#include "help_text.hpp"
#include "mgrs.hpp"
#include "tarnwick_binding.hpp"
#include "velmont_resources.hpp"

TMainFormular* MainFormular = nullptr;

namespace {

// --- look ---

const QColor Maroon(0x80, 0x00, 0x00);
const QColor Teal(0x00, 0x80, 0x80);
const QColor Grey(0x80, 0x80, 0x80);
const QColor InfoBackground(0xFF, 0xFF, 0xE1);  // the desktop's classic tooltip colour

QFont FontWithFallbacks(const QStringList& families, QFont::StyleHint hint, int pixels) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setFixedPitch(hint == QFont::Monospace);
    font.setPixelSize(pixels);
    return font;
}

QFont ConsoleFont(int pixels = 12) {
    return FontWithFallbacks({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono"),
                              QStringLiteral("Liberation Mono")},
                             QFont::Monospace, pixels);
}

QFont ArialFont(int pixels = 12) {
    return FontWithFallbacks(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
        QFont::SansSerif, pixels);
}

QFont LucidaSansFont(int pixels = 13) {
    return FontWithFallbacks({QStringLiteral("Lucida Sans Unicode"), QStringLiteral("DejaVu Sans"),
                              QStringLiteral("Liberation Sans")},
                             QFont::SansSerif, pixels);
}

void SetColours(QWidget* widget, const QColor& text, const QColor* background = nullptr) {
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::Text, QPalette::WindowText}) {
        palette.setColor(QPalette::Active, role, text);
        palette.setColor(QPalette::Inactive, role, text);
    }
    if (background != nullptr) {
        palette.setColor(QPalette::Base, *background);
    }
    widget->setPalette(palette);
}

// --- masks, ranges, texts ---

const QString EastingMask = QStringLiteral("\\ \\ \\ \\ \\ 999 999;0;_");
const QString NorthingInputMask = QStringLiteral("\\ \\ 9 999 999;0;");
const QString NorthingOutputMask = QStringLiteral("\\ \\ 9 999 999;0;_");
const QString ZoneInputMask = QStringLiteral("\\ 99;0;");
const QString ZoneOutputMask = QStringLiteral("\\ 99;0;_");

const QString PaperHeader = QStringLiteral(" E BNG   N BNG     <=>   Z   E UTM   N UTM ");
const QString PaperSeparator = QLatin1Char(' ') + QString(43, QLatin1Char('-')) + QLatin1Char(' ');
const QString ArrowBngToUtm = QStringLiteral("    =>   ");
const QString ArrowUtmToBng = QStringLiteral("   <=    ");
const QString NoZoneHint = QStringLiteral(" Choose the zone first! ");
const QString PreciseBoxCaption = QStringLiteral("Precise: OSTN15");
const QString PreciseHint =
    QStringLiteral(" OSTN15, the Ordnance Survey's definitive transformation (key 'p') ");
// Rich text, so that the library's long reason wraps.
const QString PreciseUnavailableHint = QStringLiteral("<p>Precise mode unavailable: %1</p>");
// The Helmert line under an OSTN15 line of page "BNG > UTM": its zone under the zone.
const QString HelmertColumn = QString(16, QLatin1Char(' ')) + QStringLiteral("Helmert  ");

constexpr int MaxBngEasting = 700000;
constexpr int MaxBngNorthing = 1300000;
constexpr int FirstGbZone = 29;
constexpr int LastGbZone = 31;

struct Range {
    int low;
    int high;
    bool Contains(int v) const { return low <= v && v <= high; }
};

// UTM values of the National Grid's area (easting 0 .. 700000, northing 0 .. 1300000) per
// zone 29, 30, 31: the smallest and largest easting and northing that any point of the area
// takes in that zone, as its primary values or, in an overlap strip (50 km either side of the
// grid's curves along 6 degrees west and 0 degrees), as its alternative values. They were
// taken with libtarnwick.so over the grid's edges and the strips' edges every 5 m and the
// whole area every 1 km, so every value page "BNG > UTM" shows is accepted back on page
// "UTM > BNG". Inside these bounds a pair may still lie off the grid; the library refuses it.
constexpr Range ZoneEastings[] = {{473429, 760225}, {228991, 768170}, {237229, 533683}};
constexpr Range ZoneNorthings[] = {{5513703, 6829460}, {5523438, 6830355}, {5519524, 6833139}};

// Over all three zones: the union of the zones' bounds.
constexpr Range Union(const Range (&ranges)[3]) {
    Range all = ranges[0];
    for (const Range& r : ranges) {
        all = {std::min(all.low, r.low), std::max(all.high, r.high)};
    }
    return all;
}
constexpr Range UtmEastings = Union(ZoneEastings);
constexpr Range UtmNorthings = Union(ZoneNorthings);

const Range* ZoneRange(int zone, bool northing) {
    if (zone < FirstGbZone || zone > LastGbZone) {
        return nullptr;
    }
    return &(northing ? ZoneNorthings : ZoneEastings)[zone - FirstGbZone];
}

// " 5 513 703" style: thousands separated by blanks.
QString Grouped(int value) {
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) {
        digits.insert(i, QLatin1Char(' '));
    }
    return digits;
}

QString RangeHint(const Range& range) {
    return QLatin1Char(' ') + Grouped(range.low) + QStringLiteral(" .. ") + Grouped(range.high) +
           QLatin1Char(' ');
}

// A field's value as a decimal integer: leading blanks allowed; the empty text, inner blanks
// and anything but digits are no number.
std::optional<int> ParseNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' ')) {
        ++i;
    }
    if (i == text.size() || text.size() - i > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

TNumMaskEdit* MakeField(QWidget* page, const QString& mask, int left, int top, int width,
                        const QColor& colour, bool output) {
    auto* field = new TNumMaskEdit(mask, page);
    field->setGeometry(left, top, width, 22);
    field->setFont(ConsoleFont());
    SetColours(field, colour, &InfoBackground);
    field->setReadOnly(output);
    if (output) {
        field->setFocusPolicy(Qt::ClickFocus);
        field->setCursor(Qt::PointingHandCursor);
    }
    return field;
}

// The lettered reference in the BNG column's "Zone" row: read-only, selectable, no tab stop.
QLineEdit* MakeGridReferenceRow(QWidget* page, int left) {
    auto* row = new QLineEdit(page);
    row->setGeometry(left, 46, 112, 22);
    row->setFont(ConsoleFont());
    SetColours(row, Maroon, &InfoBackground);
    row->setReadOnly(true);
    row->setFocusPolicy(Qt::ClickFocus);
    row->setToolTip(QStringLiteral(" Grid reference "));
    return row;
}

// The MGRS reference under the UTM column, in the row below "Northing": read-only,
// selectable, no tab stop.
QLineEdit* MakeMgrsRow(QWidget* page, int left) {
    auto* row = new QLineEdit(page);
    row->setGeometry(left, 142, 128, 22);
    row->setFont(ConsoleFont(11));
    SetColours(row, Teal, &InfoBackground);
    row->setReadOnly(true);
    row->setFocusPolicy(Qt::ClickFocus);
    row->setToolTip(QStringLiteral(" MGRS reference "));
    return row;
}

// Precise mode's check box in the page's top left corner, clear of the fields. It takes no
// focus: ticking it while typing leaves the field being typed into as it is.
QCheckBox* MakePreciseBox(QWidget* page) {
    auto* box = new QCheckBox(PreciseBoxCaption, page);
    box->setGeometry(6, 2, 116, 20);
    box->setFont(ArialFont(11));
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// The MGRS reference (1 m squares) of a UTM point of a northern zone, or nothing where it has
// none.
QString MgrsOf(const precise::UtmPoint& p) {
    try {
        return QString::fromStdString(mgrs::format({p.zone, true, p.easting, p.northing}, 5));
    } catch (const global_types::failure&) {
        return QString();
    }
}

QString Millimetres(double metres, int width) {
    return QStringLiteral("%1").arg(metres, width, 'f', 3);
}

QString Metres(double metres, int width) {
    return QStringLiteral("%1").arg(precise::WholeMetres(metres), width);
}

// How far the Helmert chain's result lies from OSTN15's, or that it has none.
QString ApartText(double apart) {
    return std::isnan(apart) ? QStringLiteral("no result")
                             : QStringLiteral("%1 m apart").arg(apart, 0, 'f', 3);
}

QLabel* MakeLabel(QWidget* page, const QString& text, int left, int top, const QFont& font,
                  const QColor& colour, QLabel* label = nullptr) {
    if (label == nullptr) {
        label = new QLabel(page);
    }
    label->setText(text);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    SetColours(label, colour);
    return label;
}

QFont BoldArial() {
    QFont font = ArialFont(13);
    font.setBold(true);
    return font;
}

void AddRowCaptions(QWidget* page) {
    const QColor black(Qt::black);
    MakeLabel(page, QStringLiteral(" Zone     "), 8, 50, ConsoleFont(), black);
    MakeLabel(page, QStringLiteral(" Easting  "), 8, 82, ConsoleFont(), black);
    MakeLabel(page, QStringLiteral(" Northing "), 8, 114, ConsoleFont(), black);
}

QTextEdit* MakeTextMemo(QWidget* page, const QStringList& lines) {
    auto* memo = new QTextEdit(page);
    memo->setReadOnly(true);
    memo->setFont(ArialFont());
    SetColours(memo, Teal, &InfoBackground);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    QTextCursor all(memo->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    return memo;
}

void EmptyFields(std::initializer_list<TNumMaskEdit*> fields) {
    for (TNumMaskEdit* field : fields) {
        field->SetText(QString());
    }
}

template <size_t N>
QStringList Lines(const std::array<const char*, N>& lines) {
    QStringList list;
    for (const char* line : lines) {
        list << QString::fromUtf8(line);
    }
    return list;
}

}  // namespace

// --- small widgets ---

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    const bool second = afterDoubleClick_;
    afterDoubleClick_ = false;
    if (event->button() == Qt::LeftButton && !second &&
        rect().contains(event->position().toPoint())) {
        emit Click();
    }
}

void TClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        afterDoubleClick_ = true;
    }
}

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
    setCheckable(true);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
    hide();
}

void TSpeedButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);  // flat frame: raised on hover, sunken while down
    // The glyph: a double arrow (two zones side by side), drawn for the button's state.
    QColor colour = Teal;
    bool mirrored = false;
    if (!isEnabled()) {
        colour = Grey;
    } else if (isDown()) {
        colour = Teal.darker(150);
    } else if (isChecked()) {
        colour = Maroon;
        mirrored = true;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(5, 6, -5, -6);
    QPainterPath arrow;
    arrow.moveTo(box.left(), box.center().y());
    arrow.lineTo(box.left() + box.width() * 0.4, box.top());
    arrow.lineTo(box.left() + box.width() * 0.4, box.bottom());
    arrow.closeSubpath();
    arrow.moveTo(box.right(), box.center().y());
    arrow.lineTo(box.right() - box.width() * 0.4, box.top());
    arrow.lineTo(box.right() - box.width() * 0.4, box.bottom());
    arrow.closeSubpath();
    if (isDown() && isEnabled()) {
        painter.translate(1, 1);
    }
    painter.fillPath(arrow, colour);
    painter.setPen(QPen(colour, 1.5));
    const qreal y = box.center().y() + (mirrored ? 2 : -2);
    painter.drawLine(QPointF(box.left() + box.width() * 0.4, y),
                     QPointF(box.right() - box.width() * 0.4, y));
}

// --- the window ---

TMainFormular::TMainFormular(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    InitVelmontResources();
    setWindowTitle(QString::fromLatin1(MainFormularCaption));
    setWindowIcon(VelmontIcon());
    setFixedSize(396, 218);

    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(rect().adjusted(4, 4, -4, -4));  // border of 4 around the pages
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet5 = new QWidget;
    TabSheet4 = new QWidget;
    TabSheet3 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("BNG > UTM"));
    PageControl1->addTab(TabSheet2, QStringLiteral("UTM > BNG"));
    PageControl1->addTab(TabSheet5, QStringLiteral("Paper"));
    PageControl1->addTab(TabSheet4, QStringLiteral("Help"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Info"));

    BuildConverterPages();
    BuildTextPages();
    ConnectHandlers();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // The client area is centred: the frame's size is the window manager's business.
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    }
    NumMaskEdit1->PasteHandler = [this](const QString& text) { return PasteBngPoint(text); };
    NumMaskEdit2->PasteHandler = NumMaskEdit1->PasteHandler;
    NumMaskEdit3->PasteHandler = [this](const QString& text) { return PasteMgrsReference(text); };
    NumMaskEdit4->PasteHandler = NumMaskEdit3->PasteHandler;
    PageControl1->setFocus();
    // The window previews every key typed into it (keys "c" and "a").
    qApp->installEventFilter(this);
}

void TMainFormular::BuildConverterPages() {
    // Page "BNG > UTM": BNG inputs left, UTM outputs right.
    Label2 = MakeLabel(TabSheet1, QStringLiteral("BNG"), 126, 22, BoldArial(), Maroon);
    Label6 = new TClickLabel(TabSheet1);
    MakeLabel(TabSheet1, QStringLiteral("UTM "), 278, 22, BoldArial(), Teal, Label6);
    AddRowCaptions(TabSheet1);
    NumMaskEdit1 = MakeField(TabSheet1, EastingMask, 96, 78, 112, Maroon, false);
    NumMaskEdit2 = MakeField(TabSheet1, NorthingInputMask, 96, 110, 112, Maroon, false);
    NumMaskEdit8 = MakeField(TabSheet1, ZoneOutputMask, 248, 46, 40, Teal, true);
    NumMaskEdit9 = MakeField(TabSheet1, EastingMask, 248, 78, 112, Teal, true);
    NumMaskEdit10 = MakeField(TabSheet1, NorthingOutputMask, 248, 110, 112, Teal, true);
    NumMaskEdit1->setToolTip(QStringLiteral(" 0 .. 700 000 "));
    NumMaskEdit2->setToolTip(QStringLiteral(" 0 .. 1 300 000 "));
    GridReference1 = MakeGridReferenceRow(TabSheet1, 96);
    MgrsReference1 = MakeMgrsRow(TabSheet1, 248);
    SpeedButton1 = new TSpeedButton(TabSheet1);
    SpeedButton1->setGeometry(220, 45, 24, 24);
    SpeedButton1->setToolTip(QStringLiteral(" Alternative values "));
    QWidget::setTabOrder(NumMaskEdit1, NumMaskEdit2);

    // Page "UTM > BNG": UTM inputs left, BNG outputs right.
    MakeLabel(TabSheet2, QStringLiteral("UTM"), 126, 22, BoldArial(), Teal);
    MakeLabel(TabSheet2, QStringLiteral("BNG"), 278, 22, BoldArial(), Maroon);
    AddRowCaptions(TabSheet2);
    NumMaskEdit5 = MakeField(TabSheet2, ZoneInputMask, 96, 46, 40, Teal, false);
    NumMaskEdit3 = MakeField(TabSheet2, EastingMask, 96, 78, 112, Teal, false);
    NumMaskEdit4 = MakeField(TabSheet2, NorthingInputMask, 96, 110, 112, Teal, false);
    NumMaskEdit6 = MakeField(TabSheet2, EastingMask, 248, 78, 112, Maroon, true);
    NumMaskEdit7 = MakeField(TabSheet2, NorthingOutputMask, 248, 110, 112, Maroon, true);
    GridReference2 = MakeGridReferenceRow(TabSheet2, 248);
    MgrsReference2 = MakeMgrsRow(TabSheet2, 96);
    NumMaskEdit5->setToolTip(QStringLiteral(" 29 .. 31 "));
    SetZoneHints(0);
    QWidget::setTabOrder(NumMaskEdit5, NumMaskEdit3);
    QWidget::setTabOrder(NumMaskEdit3, NumMaskEdit4);
    SetUpPreciseBoxes();
}

void TMainFormular::SetUpPreciseBoxes() {
    PreciseBox1 = MakePreciseBox(TabSheet1);
    PreciseBox2 = MakePreciseBox(TabSheet2);
    const QString unavailable = precise::Unavailable();
    for (QCheckBox* box : {PreciseBox1, PreciseBox2}) {
        box->setEnabled(unavailable.isEmpty());
        box->setToolTip(unavailable.isEmpty()
                            ? PreciseHint
                            : PreciseUnavailableHint.arg(unavailable.toHtmlEscaped()));
        // A click has already ticked or cleared the box: the toggle sets both to the mode.
        connect(box, &QCheckBox::clicked, this, &TMainFormular::TogglePrecise);
    }
}

void TMainFormular::BuildTextPages() {
    // Page "Paper": the paper trail fills the page.
    Memo3 = new QPlainTextEdit(TabSheet5);
    Memo3->setReadOnly(true);
    // Read-only, but selectable by mouse and keyboard so the trail can be copied.
    Memo3->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo3->setFont(ConsoleFont());
    SetColours(Memo3, Grey);
    Memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo3->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* paperLayout = new QVBoxLayout(TabSheet5);
    paperLayout->setContentsMargins(0, 0, 0, 0);
    paperLayout->addWidget(Memo3);

    // Page "Help": the help text fills the page. The tab stop is wider than the longest text
    // before the two tabs of the arrow-key table, so its distances end up in one column.
    Memo1 = MakeTextMemo(TabSheet4, Lines(help_text::HelpLines));
    const QFontMetricsF metrics(Memo1->font());
    Memo1->setTabStopDistance(metrics.horizontalAdvance(QStringLiteral("arrow key + SHIFT")) +
                              metrics.averageCharWidth());
    auto* helpLayout = new QVBoxLayout(TabSheet4);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    helpLayout->addWidget(Memo1);

    // Page "Info": the version text above the link to the documentation page.
    Memo2 = MakeTextMemo(TabSheet3, Lines(help_text::InfoLines));
    Memo2->setGeometry(0, 0, PageControl1->width() - 6, 153);
    Label12 = new TClickLabel(TabSheet3);
    Label12->setGeometry(72, 160, 242, 22);
    Label12->setAlignment(Qt::AlignCenter);
    QFont link = LucidaSansFont();
    link.setUnderline(true);
    Label12->setFont(link);
    SetColours(Label12, Grey);
    Label12->setText(QString::fromUtf8(help_text::DocumentationCaption));
    Label12->setToolTip(QString::fromUtf8(help_text::DocumentationHint));
    Label12->setCursor(Qt::PointingHandCursor);
}

void TMainFormular::ConnectHandlers() {
    connect(NumMaskEdit8, &TNumMaskEdit::Click, this, &TMainFormular::NumMaskEdit8Click);
    connect(NumMaskEdit8, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit8Click);
    connect(NumMaskEdit9, &TNumMaskEdit::Click, this, &TMainFormular::NumMaskEdit8Click);
    connect(NumMaskEdit9, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit8Click);
    connect(NumMaskEdit10, &TNumMaskEdit::Click, this, &TMainFormular::NumMaskEdit8Click);
    connect(NumMaskEdit10, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit8Click);
    connect(NumMaskEdit6, &TNumMaskEdit::Click, this, &TMainFormular::NumMaskEdit6Click);
    connect(NumMaskEdit6, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit6Click);
    connect(NumMaskEdit7, &TNumMaskEdit::Click, this, &TMainFormular::NumMaskEdit7Click);
    connect(NumMaskEdit7, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit7Click);

    connect(SpeedButton1, &QToolButton::clicked, this, &TMainFormular::SpeedButton1Click);
    connect(Label6, &TClickLabel::Click, this, &TMainFormular::Label6Click);
    connect(Label12, &TClickLabel::Click, this, &TMainFormular::Label12Click);

    connect(NumMaskEdit1, &TNumMaskEdit::Change, this, &TMainFormular::NumMaskEdit1Change);
    connect(NumMaskEdit2, &TNumMaskEdit::Change, this, &TMainFormular::NumMaskEdit2Change);
    connect(NumMaskEdit5, &TNumMaskEdit::Change, this, &TMainFormular::NumMaskEdit3Change);
    connect(NumMaskEdit3, &TNumMaskEdit::Change, this, &TMainFormular::NumMaskEdit3Change);
    connect(NumMaskEdit4, &TNumMaskEdit::Change, this, &TMainFormular::NumMaskEdit4Change);

    // A field left because its page is being left: the page's values are stored first.
    for (TNumMaskEdit* input :
         {NumMaskEdit1, NumMaskEdit2, NumMaskEdit5, NumMaskEdit3, NumMaskEdit4}) {
        connect(input, &TNumMaskEdit::Exit, this, &TMainFormular::LeavingPage);
    }
    connect(NumMaskEdit1, &TNumMaskEdit::Exit, this, &TMainFormular::NumMaskEdit1Exit);
    connect(NumMaskEdit2, &TNumMaskEdit::Exit, this, &TMainFormular::NumMaskEdit2Exit);
    connect(NumMaskEdit5, &TNumMaskEdit::Exit, this, &TMainFormular::NumMaskEdit5Exit);
    connect(NumMaskEdit3, &TNumMaskEdit::Exit, this, &TMainFormular::NumMaskEdit3Exit);
    connect(NumMaskEdit4, &TNumMaskEdit::Exit, this, &TMainFormular::NumMaskEdit4Exit);

    connect(NumMaskEdit1, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit1DblClick);
    connect(NumMaskEdit2, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit2DblClick);
    connect(NumMaskEdit5, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit5DblClick);
    connect(NumMaskEdit3, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit3DblClick);
    connect(NumMaskEdit4, &TNumMaskEdit::DblClick, this, &TMainFormular::NumMaskEdit4DblClick);

    // The tab widget reports only the finished change. When a field of the old page had the
    // focus, LeavingPage() has already stored the page's values before its exit handler ran.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!changingHandled_) {
            PageControl1Changing();
        }
        changingHandled_ = false;
        PageControl1Change();
    });
}

QString TMainFormular::PadNumber(int width, int value) {
    QString text = QString::number(value);
    if (text.size() < width) {
        text.prepend(QString(width - text.size(), QLatin1Char('_')));
    }
    return text;
}

// --- helpers shared by the handlers ---

void TMainFormular::ClearAlternative() {
    SpeedButton1->hide();
    SpeedButton1->setEnabled(false);
    SpeedButton1->setChecked(false);
    AltAvailable = false;
}

void TMainFormular::ClearMapPoint() {
    if (display_ != nullptr) {
        display_->HideMarker();
        display_->ClearPoiLabels();
    }
}

void TMainFormular::ShowGridReference(QLineEdit* row, bool result) {
    // The reference of the BNG point of this page's last result; nothing without a result,
    // and then no MGRS reference either.
    row->setText(result
                     ? QString::fromStdString(grid_reference::format({BngEasting, BngNorthing}, 10))
                     : QString());
    if (!result) {
        ShowMgrsReference(row == GridReference1 ? MgrsReference1 : MgrsReference2, std::nullopt);
    }
}

void TMainFormular::ShowMgrsReference(QLineEdit* row,
                                      const std::optional<precise::UtmPoint>& point) {
    row->setText(point ? MgrsOf(*point) : QString());
}

void TMainFormular::LeavingPage() {
    // A page switch takes the focus from the old page before the tab widget reports the
    // change, and the exit handler of the field that had it may empty what the page shows.
    // While the switch runs, the tab bar already names the new page and the old one is still
    // shown: then the values of the page being left are stored now, before that handler.
    const bool switching = PageControl1->currentWidget() !=
                           PageControl1->widget(PageControl1->tabBar()->currentIndex());
    if (switching && !changingHandled_) {
        PageControl1Changing();
        changingHandled_ = true;
    }
}

void TMainFormular::Reformat(TNumMaskEdit* field, const QString& text) {
    // The same number in its padded form: no change of value, so the results stay.
    reformatting_ = true;
    field->SetText(text);
    reformatting_ = false;
}

void TMainFormular::ConversionFailed(std::initializer_list<TNumMaskEdit*> outputs) {
    EmptyFields(outputs);
    ShowGridReference(outputs.size() == 3 ? GridReference1 : GridReference2, false);
    Beep(this);
    ClearMapPoint();
}

void TMainFormular::WritePaperHeader() {
    if (PaperLines != 0) {
        return;
    }
    // The header goes into the memo's first line, not after an empty one.
    QTextCursor first(Memo3->document()->firstBlock());
    first.select(QTextCursor::BlockUnderCursor);
    first.insertText(PaperHeader);
    AppendPaperLine(PaperSeparator);
    PaperLines = 2;
}

void TMainFormular::AppendPaperLine(const QString& line) {
    QTextCursor end(Memo3->document());
    end.movePosition(QTextCursor::End);
    if (!Memo3->document()->isEmpty()) {
        end.insertBlock();
    }
    end.insertText(line);
    Memo3->moveCursor(QTextCursor::End);  // the newest line comes into view
    // From its start: precise mode's lines are wider than the page.
    Memo3->horizontalScrollBar()->setValue(0);
    ++PaperLines;
}

void TMainFormular::LogBngToUtm() {
    if (PreciseMode) {
        const auto& result = AltShown ? preciseAlt_ : precisePrimary_;
        if (result) {
            LogPreciseBngToUtm(*result);
        }
        return;
    }
    AppendPaperLine(QLatin1Char(' ') + NumMaskEdit1->Text() + QStringLiteral("  ") +
                    NumMaskEdit2->Text() + ArrowBngToUtm + NumMaskEdit8->Text() +
                    QStringLiteral("  ") + NumMaskEdit9->Text() + QStringLiteral("  ") +
                    NumMaskEdit10->Text() + QLatin1Char(' '));
}

// Two lines: the OSTN15 result to the millimetre with its MGRS reference, then the Helmert
// chain's whole metres for the same point and how far apart the two lie, under "OSTN15".
void TMainFormular::LogPreciseBngToUtm(const precise::Comparison<precise::UtmPoint>& result) {
    const precise::UtmPoint& p = result.ostn15;
    AppendPaperLine(QLatin1Char(' ') + NumMaskEdit1->Text() + QStringLiteral("  ") +
                    NumMaskEdit2->Text() + ArrowBngToUtm + QString::number(p.zone) +
                    QStringLiteral("  ") + Millimetres(p.easting, 10) + QStringLiteral("  ") +
                    Millimetres(p.northing, 11) + QStringLiteral("  OSTN15  ") + MgrsOf(p) +
                    QLatin1Char(' '));
    QString helmert = HelmertColumn;
    if (result.helmert) {
        const precise::UtmPoint& h = *result.helmert;
        helmert += QString::number(h.zone) + QStringLiteral("  ") + Metres(h.easting, 6) +
                   QString(6, QLatin1Char(' ')) + Metres(h.northing, 7) +
                   QString(4, QLatin1Char(' '));
    }
    AppendPaperLine(helmert + ApartText(result.apart) + QLatin1Char(' '));
}

void TMainFormular::LogPreciseUtmToBng(const precise::Comparison<precise::BngPoint>& result) {
    const precise::UtmPoint utm{UtmZone, static_cast<double>(UtmEasting),
                                static_cast<double>(UtmNorthing)};
    AppendPaperLine(QLatin1Char(' ') + Millimetres(result.ostn15.easting, 10) +
                    QStringLiteral("  ") + Millimetres(result.ostn15.northing, 11) + ArrowUtmToBng +
                    NumMaskEdit5->Text() + QStringLiteral("  ") + NumMaskEdit3->Text() +
                    QStringLiteral("  ") + NumMaskEdit4->Text() + QStringLiteral("  OSTN15  ") +
                    MgrsOf(utm) + QLatin1Char(' '));
    // The Helmert line's whole metres under the OSTN15 line's.
    QString helmert = QString(1, QLatin1Char(' '));
    if (result.helmert) {
        helmert += Metres(result.helmert->easting, 6) + QString(6, QLatin1Char(' ')) +
                   Metres(result.helmert->northing, 7) + QString(4, QLatin1Char(' '));
    } else {
        helmert += QString(23, QLatin1Char(' '));
    }
    AppendPaperLine(helmert + QStringLiteral("   Helmert  ") + ApartText(result.apart) +
                    QLatin1Char(' '));
}

// --- conversions ---

bool TMainFormular::ConvertPrimaryUtm() {
    if (!PreciseMode) {
        Tarnwick().convert_bng_to_utm(BngEasting, BngNorthing, &UtmZone, &UtmEasting, &UtmNorthing);
        primaryPoint_ = {UtmZone, static_cast<double>(UtmEasting),
                         static_cast<double>(UtmNorthing)};
        return UtmZone != -1 && UtmEasting != -1 && UtmNorthing != -1;
    }
    // No Helmert value stands in where OSTN15 has none: that is the page's failure.
    precisePrimary_ = precise::BngToUtm(BngEasting, BngNorthing);
    if (!precisePrimary_) {
        return false;
    }
    primaryPoint_ = precisePrimary_->ostn15;
    UtmZone = static_cast<signed char>(primaryPoint_.zone);
    UtmEasting = precise::WholeMetres(primaryPoint_.easting);
    UtmNorthing = precise::WholeMetres(primaryPoint_.northing);
    return true;
}

void TMainFormular::ConvertBngToUtm() {
    const QString eastingText = NumMaskEdit1->Text();
    const QString northingText = NumMaskEdit2->Text();
    if (eastingText.isEmpty() || northingText.isEmpty()) {
        return;
    }
    const std::optional<int> easting = ParseNumber(eastingText);
    const std::optional<int> northing = ParseNumber(northingText);
    if (!easting || !northing) {
        ClearMapPoint();
        return;
    }
    BngEasting = *easting;
    BngNorthing = *northing;

    const TarnwickBracket bracket;
    if (!ConvertPrimaryUtm()) {
        ConversionFailed({NumMaskEdit8, NumMaskEdit9, NumMaskEdit10});
        return;
    }
    LastZone = UtmZone;
    LastUtmEasting = UtmEasting;
    LastUtmNorthing = UtmNorthing;
    primaryZone_ = UtmZone;
    primaryEasting_ = UtmEasting;
    primaryNorthing_ = UtmNorthing;
    NumMaskEdit8->SetText(QString::number(UtmZone));
    NumMaskEdit9->SetText(PadNumber(6, UtmEasting));
    NumMaskEdit10->SetText(PadNumber(7, UtmNorthing));

    ShowGridReference(GridReference1, true);
    ShowMgrsReference(MgrsReference1, primaryPoint_);

    if (display_ != nullptr) {
        display_->SetPointOfInterest(BngEasting, BngNorthing);
    }
    WritePaperHeader();
    LogBngToUtm();
    if (display_ != nullptr) {
        // A marker already shown (placed by a click into the map) stays where it is.
        if (!display_->MarkerVisible()) {
            display_->PlaceMarker(BngEasting, BngNorthing);
        }
        if (display_->PoiLabelsEmpty()) {
            display_->PoiLabels();
        }
    }
    OfferAlternative();
}

void TMainFormular::OfferAlternative() {
    signed char westZone = 0;
    signed char eastZone = 0;
    TarnwickApi& api = Tarnwick();
    api.is_in_overlap_region(BngNorthing, BngEasting, &OverlapFlag, &westZone, &eastZone);
    AltZone = UtmZone == westZone ? eastZone : westZone;
    if (OverlapFlag != 0) {
        return;
    }
    if (PreciseMode) {
        // The same BNG point in the neighbouring zone, by the same method.
        preciseAlt_ = precise::BngToUtm(BngEasting, BngNorthing, AltZone);
        altPoint_ = preciseAlt_ ? preciseAlt_->ostn15 : precise::UtmPoint{AltZone, -1, -1};
        AltEasting = preciseAlt_ ? precise::WholeMetres(altPoint_.easting) : -1;
        AltNorthing = preciseAlt_ ? precise::WholeMetres(altPoint_.northing) : -1;
    } else {
        api.convert_to_overlap_zone(UtmZone, UtmEasting, UtmNorthing, AltZone, &AltEasting,
                                    &AltNorthing);
        altPoint_ = {AltZone, static_cast<double>(AltEasting), static_cast<double>(AltNorthing)};
    }
    if (AltEasting == -1 || AltNorthing == -1) {
        // The primary results stay; no alternative values to offer.
        Beep(this);
        ClearAlternative();
        return;
    }
    AltAvailable = true;
    AltShown = false;
    AltLogged = false;
    SpeedButton1->setChecked(false);
    SpeedButton1->show();
    SpeedButton1->setEnabled(true);
}

bool TMainFormular::ConvertUtmPoint() {
    if (!PreciseMode) {
        Tarnwick().convert_utm_to_bng(UtmZone, UtmNorthing, UtmEasting, &BngEasting, &BngNorthing);
    } else if ((preciseBng_ = precise::UtmToBng(UtmZone, UtmEasting, UtmNorthing))) {
        BngEasting = precise::WholeMetres(preciseBng_->ostn15.easting);
        BngNorthing = precise::WholeMetres(preciseBng_->ostn15.northing);
    } else {
        return false;
    }
    return BngEasting >= 0 && BngEasting <= MaxBngEasting && BngNorthing >= 0 &&
           BngNorthing <= MaxBngNorthing;
}

void TMainFormular::ConvertUtmToBng() {
    const QString zoneText = NumMaskEdit5->Text();
    const QString eastingText = NumMaskEdit3->Text();
    const QString northingText = NumMaskEdit4->Text();
    if (zoneText.isEmpty() || eastingText.isEmpty() || northingText.isEmpty()) {
        return;
    }
    const std::optional<int> zone = ParseNumber(zoneText);
    const std::optional<int> easting = ParseNumber(eastingText);
    const std::optional<int> northing = ParseNumber(northingText);
    if (!zone || !easting || !northing) {
        return;
    }
    UtmZone =
        static_cast<signed char>(*zone);  // the library reads one byte; the field has two digits
    UtmEasting = *easting;
    UtmNorthing = *northing;

    const TarnwickBracket bracket;
    if (!ConvertUtmPoint()) {
        ConversionFailed({NumMaskEdit6, NumMaskEdit7});
        return;
    }
    LastBngEasting = BngEasting;
    LastBngNorthing = BngNorthing;
    NumMaskEdit6->SetText(PadNumber(6, BngEasting));
    NumMaskEdit7->SetText(PadNumber(7, BngNorthing));
    ShowGridReference(GridReference2, true);
    ShowMgrsReference(MgrsReference2, precise::UtmPoint{UtmZone, static_cast<double>(UtmEasting),
                                                        static_cast<double>(UtmNorthing)});
    WritePaperHeader();
    if (PreciseMode) {
        LogPreciseUtmToBng(*preciseBng_);
    } else {
        AppendPaperLine(QLatin1Char(' ') + NumMaskEdit6->Text() + QStringLiteral("  ") +
                        NumMaskEdit7->Text() + ArrowUtmToBng + NumMaskEdit5->Text() +
                        QStringLiteral("  ") + NumMaskEdit3->Text() + QStringLiteral("  ") +
                        NumMaskEdit4->Text() + QLatin1Char(' '));
    }
    if (display_ != nullptr) {
        display_->SetPointOfInterest(BngEasting, BngNorthing);
        display_->PlaceMarker(BngEasting, BngNorthing);
        if (display_->PoiLabelsEmpty()) {
            display_->PoiLabels();
        }
    }
}

void TMainFormular::ToggleAlternative() {
    if (!AltAvailable) {
        return;
    }
    if (AltShown) {
        // Back to the primary values of page "BNG > UTM"'s conversion; UtmZone and its
        // companions may since hold a conversion of page "UTM > BNG".
        NumMaskEdit8->SetText(QString::number(primaryZone_));
        NumMaskEdit9->SetText(PadNumber(6, primaryEasting_));
        NumMaskEdit10->SetText(PadNumber(7, primaryNorthing_));
        ShowMgrsReference(MgrsReference1, primaryPoint_);
        AltShown = false;
    } else {
        NumMaskEdit8->SetText(QString::number(AltZone));
        NumMaskEdit9->SetText(PadNumber(6, AltEasting));
        NumMaskEdit10->SetText(PadNumber(7, AltNorthing));
        ShowMgrsReference(MgrsReference1, altPoint_);
        AltShown = true;
        if (!AltLogged) {
            LogBngToUtm();
            AltLogged = true;
        }
    }
    // However the toggle came (button, heading, key), the button says which values are shown.
    SpeedButton1->setChecked(AltShown);
}

void TMainFormular::TogglePrecise() {
    if (!PreciseBox1->isEnabled()) {
        Beep(this);  // OSTN15 is unavailable: the boxes' hint says why
        return;
    }
    PreciseMode = !PreciseMode;
    for (QCheckBox* box : {PreciseBox1, PreciseBox2}) {
        const QSignalBlocker quiet(box);
        box->setChecked(PreciseMode);
    }
    setWindowTitle(QString::fromLatin1(MainFormularCaption) +
                   (PreciseMode ? QString::fromLatin1(PreciseCaption) : QString()));
    if (display_ != nullptr) {
        display_->SetPreciseMode(PreciseMode);
    }
    ReconvertActivePage();
}

void TMainFormular::ReconvertActivePage() {
    // No page goes on showing a result of the method just left.
    const int page = PageControl1->currentIndex();
    const bool utmShown = !NumMaskEdit9->Text().isEmpty();
    const bool bngShown = !NumMaskEdit6->Text().isEmpty();
    EmptyFields({NumMaskEdit8, NumMaskEdit9, NumMaskEdit10, NumMaskEdit6, NumMaskEdit7});
    ShowGridReference(GridReference1, false);
    ShowGridReference(GridReference2, false);
    ClearAlternative();
    if (page == PageBngToUtm && utmShown) {
        ConvertBngToUtm();
    } else if (page == PageUtmToBng && bngShown) {
        ConvertUtmToBng();
    }
}

void TMainFormular::SetZoneHints(int zone) {
    const Range* eastings = ZoneRange(zone, false);
    const Range* northings = ZoneRange(zone, true);
    NumMaskEdit3->setToolTip(eastings != nullptr ? RangeHint(*eastings) : NoZoneHint);
    NumMaskEdit4->setToolTip(northings != nullptr ? RangeHint(*northings) : NoZoneHint);
}

// --- click handlers ---

void TMainFormular::NumMaskEdit8Click() {
    ConvertBngToUtm();
}

void TMainFormular::NumMaskEdit6Click() {
    CheckUtmInput(NumMaskEdit4, false, true);
    CheckUtmInput(NumMaskEdit3, false, false);
    ConvertUtmToBng();
}

void TMainFormular::NumMaskEdit7Click() {
    ConvertUtmToBng();
}

void TMainFormular::SpeedButton1Click() {
    ToggleAlternative();
}

void TMainFormular::Label6Click() {
    ToggleAlternative();
}

void TMainFormular::Label12Click() {
    const QUrl page = help_text::DocumentationUrl();
    if (page.isEmpty()) {
        Beep(this);  // the documentation page is not installed
        return;
    }
    QDesktopServices::openUrl(page);
}

// --- change handlers ---

void TMainFormular::NumMaskEdit1Change() {
    if (reformatting_) {
        return;
    }
    EmptyFields({NumMaskEdit8, NumMaskEdit9, NumMaskEdit10});
    ShowGridReference(GridReference1, false);
    ClearAlternative();
    ClearMapPoint();
}

void TMainFormular::NumMaskEdit2Change() {
    NumMaskEdit1Change();
}

void TMainFormular::NumMaskEdit3Change() {
    NumMaskEdit4Change();
    if (!NumMaskEdit5->Text().isEmpty()) {
        SetZoneHints(ParseNumber(NumMaskEdit5->Text()).value_or(0));
    }
}

void TMainFormular::NumMaskEdit4Change() {
    if (reformatting_) {
        return;
    }
    EmptyFields({NumMaskEdit6, NumMaskEdit7});
    ShowGridReference(GridReference2, false);
    ClearMapPoint();
}

// --- exit handlers ---

void TMainFormular::CheckBngInput(TNumMaskEdit* field, int maximum, int width) {
    const std::optional<int> value = ParseNumber(field->Text());
    if (!value) {
        field->SetText(QString());
        ClearAlternative();
        ClearMapPoint();
    } else if (*value > maximum) {
        field->SetText(QString());
        Beep(this);
        ClearMapPoint();
    } else {
        Reformat(field, PadNumber(width, *value));
    }
}

void TMainFormular::CheckUtmInput(TNumMaskEdit* field, bool overall, bool northing) {
    const std::optional<int> value = ParseNumber(field->Text());
    if (!value) {
        field->SetText(QString());
        ClearMapPoint();
        return;
    }
    if (overall && !(northing ? UtmNorthings : UtmEastings).Contains(*value)) {
        field->SetText(QString());
        Beep(this);
    }
    // A value typed while no zone is chosen keeps its typed form.
    if (NumMaskEdit5->Text().isEmpty()) {
        return;
    }
    const std::optional<int> zone = ParseNumber(NumMaskEdit5->Text());
    if (!zone) {
        NumMaskEdit5->SetText(QString());
        ClearMapPoint();
        return;
    }
    const Range* range = ZoneRange(*zone, northing);
    if (range == nullptr) {
        return;
    }
    if (range->Contains(*value)) {
        Reformat(field, PadNumber(northing ? 7 : 6, *value));
    } else {
        field->SetText(QString());
        Beep(this);
    }
}

void TMainFormular::NumMaskEdit1Exit() {
    CheckBngInput(NumMaskEdit1, MaxBngEasting, 6);
}

void TMainFormular::NumMaskEdit2Exit() {
    CheckBngInput(NumMaskEdit2, MaxBngNorthing, 7);
}

void TMainFormular::NumMaskEdit5Exit() {
    const std::optional<int> zone = ParseNumber(NumMaskEdit5->Text());
    if (!zone) {
        NumMaskEdit5->SetText(QString());
        SetZoneHints(0);
        ClearMapPoint();
    } else if (*zone < FirstGbZone || *zone > LastGbZone) {
        NumMaskEdit5->SetText(QString());
        SetZoneHints(0);
    } else {
        SetZoneHints(*zone);
    }
}

void TMainFormular::NumMaskEdit3Exit() {
    CheckUtmInput(NumMaskEdit3, true, false);
}

void TMainFormular::NumMaskEdit4Exit() {
    CheckUtmInput(NumMaskEdit4, true, true);
}

// --- double-click reuse ---

void TMainFormular::NumMaskEdit1DblClick() {
    NumMaskEdit1->SetText(PadNumber(6, LastBngEasting));
    ClearAlternative();
}

void TMainFormular::NumMaskEdit2DblClick() {
    NumMaskEdit2->SetText(PadNumber(7, LastBngNorthing));
    ClearAlternative();
}

void TMainFormular::NumMaskEdit5DblClick() {
    NumMaskEdit5->SetText(QString::number(LastZone));
}

void TMainFormular::NumMaskEdit3DblClick() {
    NumMaskEdit3->SetText(PadNumber(6, LastUtmEasting));
}

void TMainFormular::NumMaskEdit4DblClick() {
    NumMaskEdit4->SetText(PadNumber(7, LastUtmNorthing));
}

// --- pages and keys ---

void TMainFormular::PageControl1Changing() {
    if (!AltAvailable) {
        return;
    }
    // Whatever page "BNG > UTM" shows, primary or alternative, is offered for reuse.
    const std::optional<int> zone = ParseNumber(NumMaskEdit8->Text());
    const std::optional<int> easting = ParseNumber(NumMaskEdit9->Text());
    const std::optional<int> northing = ParseNumber(NumMaskEdit10->Text());
    if (zone && easting && northing) {
        LastZone = *zone;
        LastUtmEasting = *easting;
        LastUtmNorthing = *northing;
    }
}

void TMainFormular::PageControl1Change() {
    ClearMapPoint();
}

void TMainFormular::FormKeyPress(QChar key) {
    const int page = PageControl1->currentIndex();
    const QChar command = key.toLower();
    // Return and keypad Enter convert like "c"; the capitals act like the small letters.
    if (command == QLatin1Char('c') || command == QLatin1Char('\r') ||
        command == QLatin1Char('\n')) {
        if (page == PageBngToUtm) {
            ConvertBngToUtm();
        } else if (page == PageUtmToBng) {
            ConvertUtmToBng();
        }
    } else if (command == QLatin1Char('a') && page == PageBngToUtm) {
        ToggleAlternative();  // it sets the button to match what is shown
    } else if (command == QLatin1Char('p')) {
        TogglePrecise();
    }
}

int TMainFormular::ActivePage() const {
    return PageControl1->currentIndex();
}

void TMainFormular::WriteBngInputs(int easting, int northing) {
    NumMaskEdit1->SetText(PadNumber(6, easting));
    NumMaskEdit2->SetText(PadNumber(7, northing));
}

void TMainFormular::WriteUtmInputs(int zone, int easting, int northing) {
    NumMaskEdit5->SetText(QString::number(zone));
    NumMaskEdit3->SetText(PadNumber(6, easting));
    NumMaskEdit4->SetText(PadNumber(7, northing));
}

bool TMainFormular::PasteBngPoint(const QString& text) {
    // A lettered reference or an easting-northing pair fills both BNG inputs; a single number
    // is left to the field. What looks like a point but is not one is refused aloud.
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty() && trimmed.front().isLetter()) {
        try {
            const auto corner = grid_reference::parse(trimmed.toStdString());
            WriteBngInputs(corner.easting, corner.northing);
        } catch (const grid_reference::error&) {
            Beep(this);
        }
        return true;
    }
    // The field's own rule tells a pair from one number and from text that reads both ways.
    const std::optional<QStringList> numbers = TNumMaskEdit::PastedNumbers(trimmed);
    if (numbers && numbers->size() == 1) {
        return false;
    }
    const std::optional<int> easting = numbers ? ParseNumber(numbers->at(0)) : std::nullopt;
    const std::optional<int> northing = numbers ? ParseNumber(numbers->at(1)) : std::nullopt;
    if (!easting || !northing || *easting > MaxBngEasting || *northing > MaxBngNorthing) {
        Beep(this);
        return true;
    }
    WriteBngInputs(*easting, *northing);
    return true;
}

bool TMainFormular::PasteMgrsReference(const QString& text) {
    // An MGRS reference ("30U XC 99293 09783", any case, blanks or none) fills the whole UTM
    // point; a number is left to the field. Only the 1 m square of a northern point in zones
    // 29 .. 31 names whole metres the page takes; anything else is refused aloud.
    const QString trimmed = text.trimmed();
    const bool lettered =
        std::any_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.isLetter(); });
    if (trimmed.isEmpty() || !trimmed.front().isDigit() || !lettered) {
        return false;
    }
    try {
        const mgrs::square square = mgrs::parse(trimmed.toStdString());
        const int zone = square.corner.zone;
        const int easting = precise::WholeMetres(square.corner.easting);
        const int northing = precise::WholeMetres(square.corner.northing);
        const Range* eastings = ZoneRange(zone, false);
        const Range* northings = ZoneRange(zone, true);
        if (square.side != 1 || !square.corner.north || eastings == nullptr ||
            !eastings->Contains(easting) || !northings->Contains(northing)) {
            Beep(this);
            return true;
        }
        WriteUtmInputs(zone, easting, northing);
    } catch (const global_types::failure&) {
        Beep(this);
    }
    return true;
}

bool TMainFormular::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // A key travels from the control it was sent to up through its parents; the window
        // sees it once, at that first control (or at the window itself when none has focus).
        auto* target = static_cast<QWidget*>(watched);
        QWidget* focus = focusWidget();
        const bool first = target == focus || (target == this && focus == nullptr);
        const QChar typed = TypedCharacter(*static_cast<QKeyEvent*>(event));
        if (first && target->window() == this && !typed.isNull()) {
            FormKeyPress(typed);
        }
    }
    return QWidget::eventFilter(watched, event);  // the key still reaches the control
}

void TMainFormular::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Closing the converter window ends the program, the map window with it.
    if (event->isAccepted()) {
        QCoreApplication::exit(0);
    }
}
