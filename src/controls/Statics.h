#pragma once
// The small statics of the about box: a link that opens its target, a static that leaves its background
// alone (the icon over the gradient), and a plain text line.
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <functional>
#include <optional>

// A link: its text in blue, underlined, with the hand cursor over the text itself. A click on the text
// opens the target (a web address or a mailto: link); a click beside the text opens nothing.
class CMy_Static_1 : public QLabel {
    Q_OBJECT
public:
    explicit CMy_Static_1(const QString& text, QWidget* parent = nullptr);

    void SetLinkTarget(const QString& target) { m_LinkTarget = target; }
    const QString& DisplayedText() const { return m_Text; }
    bool IsMeasured() const { return m_bMeasured; }
    int TextWidth() const { return m_TextWidth; }
    int TextHeight() const { return m_TextHeight; }
    // Whether a point of the client area lies on the measured text.
    bool OnText(QPoint p) const;

    // Opens a target; tests replace it to see what a click would open. Returns the previous one.
    using Opener = std::function<void(const QString&)>;
    static Opener SetOpener(Opener opener);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void MakeFont();
    void Measure();

    std::optional<QCursor> m_HandCursor;
    std::optional<QCursor> m_ArrowCursor;
    QString m_Text; // the window text when the control was made; later changes are not shown
    QString m_LinkTarget;
    QFont m_Font; // the parent's font, underlined
    int m_TextWidth = 0;
    int m_TextHeight = 0;
    bool m_bFont = false;     // m_Font is made
    bool m_bTracking = false; // the pointer is inside and a leave will be told
    bool m_bMeasured = false; // m_TextWidth and m_TextHeight are known
};

// A static that does not paint its background: whatever its parent drew shows through.
class CMy_Static_2 : public QLabel {
    Q_OBJECT
public:
    explicit CMy_Static_2(const QString& text, QWidget* parent = nullptr);
};

// A plain text line.
class CMy_Static_3 : public QLabel {
    Q_OBJECT
public:
    explicit CMy_Static_3(const QString& text, QWidget* parent = nullptr);
};
