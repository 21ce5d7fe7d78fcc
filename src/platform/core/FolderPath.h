#pragma once
// A folder's path that always ends in the separator, so a name joined to it names a file inside the folder
// ("book/KIV_Lib.cfg"), never one beside it ("bookKIV_Lib.cfg"), whoever wrote the path (a hand-edited
// KIV.conf, a command line, a dialog). The bytes are kept as given, GBK or native.
#include <string>
#include <string_view>

class CFolderPath {
public:
    CFolderPath() = default;
    // An empty path stays empty: no folder.
    explicit CFolderPath(std::string path) : m_Path(std::move(path)) {
        if (!m_Path.empty() && m_Path.back() != '/')
            m_Path += '/';
    }
    const std::string& str() const { return m_Path; }
    bool empty() const { return m_Path.empty(); }
    // The path of the named file in the folder.
    std::string operator/(std::string_view name) const {
        std::string path = m_Path;
        path += name;
        return path;
    }

private:
    std::string m_Path;
};
