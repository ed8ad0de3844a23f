// The converter window of velmont (TMainFormular): pages "BNG > UTM", "UTM > BNG", "Paper",
// "Help" and "Info". It converts through libtarnwick.so, logs every conversion on the paper
// trail and drives the point-of-interest display (PointDisplay); the map window in turn writes
// this window's input fields and runs its conversions through ConverterLink.
#pragma once

#include <QChar>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QWidget>
#include <initializer_list>
#include <optional>

#include "NumMaskEdit.hpp"
#include "precise_mode.hpp"
#include "window_links.hpp"

class TMainFormular;

/// The one converter window of the process; created by StartVelmont() (and by tests).
extern TMainFormular* MainFormular;

/// The converter window's caption.
inline constexpr const char* MainFormularCaption = "  The Vantre BNG <> UTM  Converter";

/// What the caption gains while precise mode is on.
inline constexpr const char* PreciseCaption = "  -  precise: OSTN15";

/// A label with a click event.
class TClickLabel : public QLabel {
    Q_OBJECT

  public:
    /// An empty label.
    explicit TClickLabel(QWidget* parent = nullptr) : QLabel(parent) {}

  signals:
    /// The left mouse button was released over the label (not at the end of a double-click,
    /// which counts as one click).
    void Click();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    bool afterDoubleClick_ = false;  // the next release ends a double-click: no click
};

/// Flat toggle button whose arrow glyph has four states: up, disabled, pressed and down.
class TSpeedButton : public QToolButton {
    Q_OBJECT

  public:
    /// A hidden, disabled, up button.
    explicit TSpeedButton(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

/// The converter window.
class TMainFormular : public QWidget, public ConverterLink {
    Q_OBJECT

  public:
    /// Builds the window with all pages; every field empty, state as at program start.
    explicit TMainFormular(QWidget* parent = nullptr);

    /// The display of the point of interest that the conversions drive (may stay unset).
    void SetPointDisplay(PointDisplay* display) { display_ = display; }

    // --- ConverterLink ---
    int ActivePage() const override;
    void WriteBngInputs(int easting, int northing) override;
    void WriteUtmInputs(int zone, int easting, int northing) override;
    void FormKeyPress(QChar key) override;

    /// Page indices of PageControl1 (the map window reads the active one).
    enum Page { PageBngToUtm = 0, PageUtmToBng = 1, PagePaper = 2, PageHelp = 3, PageInfo = 4 };

    // --- widgets, named as in the window's description ---
    QTabWidget* PageControl1;
    QWidget* TabSheet1;  ///< "BNG > UTM"
    QWidget* TabSheet2;  ///< "UTM > BNG"
    QWidget* TabSheet5;  ///< "Paper"
    QWidget* TabSheet4;  ///< "Help"
    QWidget* TabSheet3;  ///< "Info"

    TNumMaskEdit* NumMaskEdit1;   ///< BNG easting input (page 0)
    TNumMaskEdit* NumMaskEdit2;   ///< BNG northing input (page 0)
    TNumMaskEdit* NumMaskEdit8;   ///< UTM zone output (page 0)
    TNumMaskEdit* NumMaskEdit9;   ///< UTM easting output (page 0)
    TNumMaskEdit* NumMaskEdit10;  ///< UTM northing output (page 0)
    TNumMaskEdit* NumMaskEdit5;   ///< UTM zone input (page 1)
    TNumMaskEdit* NumMaskEdit3;   ///< UTM easting input (page 1)
    TNumMaskEdit* NumMaskEdit4;   ///< UTM northing input (page 1)
    TNumMaskEdit* NumMaskEdit6;   ///< BNG easting output (page 1)
    TNumMaskEdit* NumMaskEdit7;   ///< BNG northing output (page 1)

    QLineEdit* GridReference1;  ///< lettered reference of page 0's last result (zone row)
    QLineEdit* GridReference2;  ///< lettered reference of page 1's last result (zone row)
    QLineEdit* MgrsReference1;  ///< MGRS reference of the UTM values page 0 shows
    QLineEdit* MgrsReference2;  ///< MGRS reference of page 1's last converted UTM point
    QCheckBox* PreciseBox1;     ///< "Precise: OSTN15" on page 0; disabled without OSTN15
    QCheckBox* PreciseBox2;     ///< the same on page 1, always in the same state

    QLabel* Label2;              ///< heading "BNG" of page 0
    TClickLabel* Label6;         ///< heading "UTM " of page 0; a click toggles
    TSpeedButton* SpeedButton1;  ///< alternative values: down while they are shown
    QPlainTextEdit* Memo3;       ///< the paper trail
    QTextEdit* Memo1;            ///< the Help text
    QTextEdit* Memo2;            ///< the Info text
    TClickLabel* Label12;        ///< link to the documentation page

    // --- application state (lives as long as the window) ---
    int BngEasting = 0;  ///< BNG point of the last conversion, metres
    int BngNorthing = 0;
    signed char UtmZone = 0;  ///< UTM point of the last conversion; zone -1: library failure
    int UtmEasting = 0;
    int UtmNorthing = 0;
    int OverlapFlag = 1;      ///< 0: the last point lies in an overlap strip
    signed char AltZone = 0;  ///< the same point in the neighbouring zone
    int AltEasting = 0;
    int AltNorthing = 0;
    int LastBngEasting = 537395;  ///< values reused by double-click
    int LastBngNorthing = 235395;
    int LastZone = 30;
    int LastUtmEasting = 705929;
    int LastUtmNorthing = 5765289;
    bool AltAvailable = false;  ///< alternative values exist for page 0's outputs
    bool AltShown = false;      ///< page 0's outputs show the alternative values
    bool AltLogged = false;     ///< the alternative values are on the paper trail
    int PaperLines = 0;         ///< lines written to the paper trail; 0: no header yet
    bool PreciseMode = false;   ///< conversions by OSTN15 instead of the Helmert chain

    /// Decimal text of `value`, prefixed with "_" up to `width` characters.
    static QString PadNumber(int width, int value);

    /// Converts page 0's BNG inputs to UTM (outputs, paper line, marker, alternatives).
    void ConvertBngToUtm();
    /// Converts page 1's UTM inputs to BNG (outputs, paper line, marker).
    void ConvertUtmToBng();
    /// Switches page 0's outputs between the primary and the alternative values.
    void ToggleAlternative();
    /// Sets the hints of the UTM easting and northing inputs for a zone (29..31, else none).
    void SetZoneHints(int zone);
    /// Switches between the Helmert chain and OSTN15 (beeps while OSTN15 is unavailable); the
    /// active page converts its shown result again by the new method, the other is emptied.
    void TogglePrecise();

    // --- event handlers ---
    void NumMaskEdit8Click();     ///< click on a UTM output of page 0: ConvertBngToUtm
    void NumMaskEdit6Click();     ///< click on the BNG easting output: re-check inputs, convert
    void NumMaskEdit7Click();     ///< click on the BNG northing output: ConvertUtmToBng
    void SpeedButton1Click();     ///< the button was clicked (already flipped): toggle
    void Label6Click();           ///< the "UTM " heading was clicked: toggle
    void NumMaskEdit1Change();    ///< a BNG input changed: clear page 0's results
    void NumMaskEdit2Change();    ///< a BNG input changed: clear page 0's results
    void NumMaskEdit3Change();    ///< UTM zone or easting input changed: clear, zone hints
    void NumMaskEdit4Change();    ///< UTM northing input changed: clear page 1's results
    void NumMaskEdit1Exit();      ///< leaving the BNG easting: check 0..700000, pad
    void NumMaskEdit2Exit();      ///< leaving the BNG northing: check 0..1300000, pad
    void NumMaskEdit5Exit();      ///< leaving the UTM zone: check 29..31, hints
    void NumMaskEdit3Exit();      ///< leaving the UTM easting: check overall and zone range, pad
    void NumMaskEdit4Exit();      ///< leaving the UTM northing: check overall and zone range, pad
    void NumMaskEdit1DblClick();  ///< reuse the last BNG easting
    void NumMaskEdit2DblClick();  ///< reuse the last BNG northing
    void NumMaskEdit5DblClick();  ///< reuse the last UTM zone
    void NumMaskEdit3DblClick();  ///< reuse the last UTM easting
    void NumMaskEdit4DblClick();  ///< reuse the last UTM northing
    void PageControl1Changing();  ///< before leaving a page: keep page 0's outputs for reuse
    void PageControl1Change();    ///< a new page is shown: hide marker, empty labels
    void Label12Click();          ///< opens the documentation page

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildConverterPages();
    void BuildTextPages();
    void ConnectHandlers();
    void ClearAlternative();
    void ClearMapPoint();
    void ConversionFailed(std::initializer_list<TNumMaskEdit*> outputs);
    void WritePaperHeader();
    void AppendPaperLine(const QString& line);
    void LogBngToUtm();
    void LogPreciseBngToUtm(const precise::Comparison<precise::UtmPoint>& result);
    void LogPreciseUtmToBng(const precise::Comparison<precise::BngPoint>& result);
    bool ConvertPrimaryUtm();
    bool ConvertUtmPoint();
    void OfferAlternative();
    void ShowMgrsReference(QLineEdit* row, const std::optional<precise::UtmPoint>& point);
    void SetUpPreciseBoxes();
    void ReconvertActivePage();
    bool PasteMgrsReference(const QString& text);
    void CheckBngInput(TNumMaskEdit* field, int maximum, int width);
    void CheckUtmInput(TNumMaskEdit* field, bool overall, bool northing);
    void Reformat(TNumMaskEdit* field, const QString& text);
    void LeavingPage();
    bool PasteBngPoint(const QString& text);
    void ShowGridReference(QLineEdit* row, bool result);

    PointDisplay* display_ = nullptr;
    bool reformatting_ = false;     // rewriting a field in its padded form: no change of value
    bool changingHandled_ = false;  // the values of the page being left are already stored

    // Primary values of page "BNG > UTM"'s last conversion, shown again when toggling back.
    signed char primaryZone_ = 0;
    int primaryEasting_ = 0;
    int primaryNorthing_ = 0;

    // What page "BNG > UTM" shows, unrounded (whole metres by Helmert), for its MGRS row; and
    // the OSTN15 results of the last conversions with their Helmert companions.
    precise::UtmPoint primaryPoint_{};
    precise::UtmPoint altPoint_{};
    std::optional<precise::Comparison<precise::UtmPoint>> precisePrimary_;
    std::optional<precise::Comparison<precise::UtmPoint>> preciseAlt_;
    std::optional<precise::Comparison<precise::BngPoint>> preciseBng_;
};
