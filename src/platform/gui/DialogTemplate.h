#pragma once
// Dialog templates: the layout of each dialog as data in res/, in dialog units, built into real controls.
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

class QWidget;

struct DialogControl {
    int id = -1; // -1 for a static without an id
    QString className;
    QString text;
    QStringList styles;
    QRect rect; // dialog units
    bool hasStyle(const char* style) const { return styles.contains(QLatin1String(style)); }
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    int pointSize = 8;
    QString fontName;
    QStringList styles;
    QStringList exStyles;
    QSize size; // dialog units
    std::vector<DialogControl> controls;
    bool hasStyle(const char* style) const { return styles.contains(QLatin1String(style)); }
    const DialogControl* control(int controlId) const;
};

// Parses the text form of a template; false (and *error) on a malformed one.
bool parseDialogTemplate(const QByteArray& text, DialogTemplate& out, QString* error = nullptr);
// Loads template id from the program's resources (":/dialogs/<id>.dlg").
bool loadDialogTemplate(int id, DialogTemplate& out, QString* error = nullptr);

// The font that stands in for the templates' "MS Shell Dlg" 8: one that renders Chinese.
QFont dialogFont();

// Dialog base units, computed as the platform does: x from the average width of A-Z and a-z, y from the
// font height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};
DialogBaseUnits dialogBaseUnits(const QFont& font);
QRect dialogUnitsToPixels(const QRect& r, const DialogBaseUnits& units);
QSize dialogUnitsToPixels(const QSize& s, const DialogBaseUnits& units);
// A width given in pixels of the classic dialog font (base width 6), scaled to this font: column widths keep
// room for the texts they were sized for.
int classicPixelsToPixels(int pixels, const DialogBaseUnits& units);

// Makes the controls of a template as children of a dialog. A factory registered for an id makes that
// control instead of the standard widget for its class (how a dialog attaches its own control classes).
class CDialogBuilder {
public:
    using Factory = std::function<QWidget*(const DialogControl&, QWidget* parent)>;
    void setFactory(int id, Factory factory) { m_Factories[id] = std::move(factory); }
    // Sets the dialog's font and client size and creates every control at its place.
    void build(QWidget* dialog, const DialogTemplate& tpl) const;
    static QWidget* makeStandardControl(const DialogControl& c, QWidget* parent);

private:
    std::map<int, Factory> m_Factories;
};

// The accessible name a label's text gives ("高度:" names "高度").
QString accessibleLabel(QString text);
// Names a control for assistive technology (an editable combo box's field too).
void nameControl(QWidget* control, const QString& name);

// The control with that id among the dialog's children, or null.
QWidget* controlById(const QWidget* dialog, int id);
// The id a control was made with, or -1.
int controlId(const QWidget* control);
