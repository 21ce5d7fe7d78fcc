#pragma once
// The annotation dialog "标注内容": one line of text for a new recording, which becomes its Content.
#include "platform/gui/Dialog.h"

#include <string>
#include <string_view>

// The most GBK bytes an annotation may have: the record's Content field less its terminating zero.
constexpr std::size_t kAnnotationBytes = 63;

// The annotation without leading and trailing blanks (space, tab, CR, LF, vertical tab, form feed).
std::string TrimAnnotation(std::string_view gbk);
// Line breaks become blanks (a CR LF pair one blank): the index keeps one record per line.
QString BreaksToBlanks(const QString& text);
// The longest start of the text, in whole characters, whose GBK form fits in maxBytes.
QString CutToGbkBytes(const QString& text, std::size_t maxBytes);
// Why the typed annotation cannot be filed as it stands (a message for the user), or "" when it can:
// characters GBK cannot write, more than 63 bytes, or double quotes the index would have to change.
QString AnnotationProblem(const QString& typed);

class CContent : public CDialog {
    Q_OBJECT
public:
    explicit CContent(QWidget* parent = nullptr);

    QString m_Content; // the annotation as typed (line breaks already blanks)

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
};
