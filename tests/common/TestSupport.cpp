#include "common/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

MessageBoxRecorder::MessageBoxRecorder(int fallback) : m_Fallback(fallback) {
    m_Previous = setMessageBoxResponder([this](const MessageBoxCall& call) {
        m_Calls.push_back(call);
        if (m_Answers.empty())
            return m_Fallback;
        int a = m_Answers.front();
        m_Answers.pop_front();
        return a;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { setMessageBoxResponder(std::move(m_Previous)); }

TempFolder::TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kiv-test-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    m_Path = std::string(made ? made : tmpl.c_str()) + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_Path, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}
