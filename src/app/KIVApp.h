#pragma once
// The application object: start-up and shutdown around the main dialog's modal run.
#include <QObject>
#include <functional>

// What stands for the module instance: the running application.
extern QObject* ghInstance;

class CKIVApp {
public:
    CKIVApp();
    ~CKIVApp();
    CKIVApp(const CKIVApp&) = delete;
    CKIVApp& operator=(const CKIVApp&) = delete;

    // Runs start-up, then the main dialog until it closes. Always false: the program ends afterwards.
    bool InitInstance();

    // The main dialog lives in a higher layer; main() tells the application how to run it.
    void SetMainDialogRunner(std::function<void()> runner) { m_RunMainDialog = std::move(runner); }

    // Sockets are never used; starting them always succeeds on this platform. Tests may make it fail.
    static bool (*SocketsStartup)();

private:
    std::function<void()> m_RunMainDialog;
};

// The one application object, while it exists.
CKIVApp* AfxGetApp();
