#pragma once
// Helpers shared by the test binaries.
#include "platform/MessageBox.h"
#include "platform/Messages.h"

#include <QString>
#include <deque>
#include <string>
#include <vector>

// Records every message box while it lives and answers each from a queue (IDOK/IDYES... in order), or with
// the fallback answer when the queue is empty.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int fallback = IDOK);
    ~MessageBoxRecorder();
    void answer(int id) { m_Answers.push_back(id); }
    const std::vector<MessageBoxCall>& calls() const { return m_Calls; }
    std::size_t count() const { return m_Calls.size(); }
    const MessageBoxCall& last() const { return m_Calls.back(); }
    void clear() { m_Calls.clear(); }

private:
    std::vector<MessageBoxCall> m_Calls;
    std::deque<int> m_Answers;
    int m_Fallback;
    MessageBoxResponder m_Previous;
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return m_Path; } // ends in '/'
    std::string file(const std::string& name) const { return m_Path + name; }

private:
    std::string m_Path;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);

// A receiver that keeps every message it gets.
class RecordingReceiver : public CMessageReceiver {
public:
    struct Msg {
        unsigned message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Msg> messages;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM l) override {
        messages.push_back({msg, w, l});
        return 0;
    }
};
