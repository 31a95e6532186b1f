// Start-up: one copy at a time, the object file from the command line, the editor dialog.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/DialogUi.h"
#include "platform/InstanceLock.h"
#include "platform/SocketsLayer.h"

class CEditorApp {
public:
    CEditorApp() = default;
    CEditorApp(const CEditorApp&) = delete;
    CEditorApp& operator=(const CEditorApp&) = delete;

    // Runs the whole program on ui with the command-line arguments (without the program name).
    // Always false: there is no message loop to run afterwards.
    bool InitInstance(ui::IUiSystem& ui, const std::vector<std::string>& args);

    // Where the single-instance lock may live (tests); by default the environment's places.
    void SetLockPlaces(const platform::LockPlaces& places) { m_lockPlaces = places; }

    // Result of the last dialog run (OK or Cancel), -1 when none ran; for tests only.
    int LastDialogResult() const { return m_lastResult; }

private:
    // Started first and released when the application object goes.
    platform::CSocketsLayer m_sockets;
    // Held for the life of the application object; the system drops it when the process ends.
    platform::CInstanceLock m_instanceLock;
    std::optional<platform::LockPlaces> m_lockPlaces;
    int m_lastResult = -1;
};

// True when the search pattern (a path, wildcards allowed) matches at least one file or folder.
bool PathPatternMatches(const std::string& pattern);
