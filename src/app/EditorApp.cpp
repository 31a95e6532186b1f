#include "app/EditorApp.h"

#include <cstdio>
#include <sys/stat.h>

#include "app/EditorDialog.h"
#include "model/StringTable.h"
#include "platform/FileSearch.h"
#include "resources/EditorResources.h"

bool PathPatternMatches(const std::string& pattern) {
    if (pattern.empty()) return false;
    // A directory names itself; the search over its parent would find it, but a path ending in
    // a separator has no name to search for.
    struct stat st {};
    if (::stat(pattern.c_str(), &st) == 0) return true;
    FindFileData data;
    CFindHandle h = FindFirstFile(pattern, data);
    return h.IsValid();
}

bool CEditorApp::InitInstance(ui::IUiSystem& ui, const std::vector<std::string>& args) {
    if (!m_sockets.Start()) {
        ui.MessageBox(res::LoadProgramString(res::kStringSocketsFailed), ui::MessageIcon::None);
        return false;
    }
    InstallStringTableReader();
    const std::string lockName = "TavimetMutex";
    switch (m_lockPlaces ? m_instanceLock.Acquire(lockName, *m_lockPlaces)
                         : m_instanceLock.Acquire(lockName)) {
    case platform::CInstanceLock::Result::AlreadyHeld:
        ui.MessageBox("Only one copy of Tavimet is allowed at a time!", ui::MessageIcon::Error);
        return false;
    case platform::CInstanceLock::Result::Failed:
        // Better an editor without the guard than none at all.
        std::fprintf(stderr, "tavimet: running without the single-instance guard: %s\n",
                     m_instanceLock.Problem().c_str());
        break;
    case platform::CInstanceLock::Result::Acquired:
        break;
    }
    CEditorDialog dialog;
    if (args.size() == 1) {
        if (!PathPatternMatches(args[0])) {
            ui.MessageBox("Cannot find the file named " + args[0], ui::MessageIcon::Error);
            return false;
        }
        dialog.SetObjectFilePath(args[0]);
    }
    m_lastResult = ui.RunModal(res::EditorDialogTemplate(), &res::ProgramIcon(), dialog);
    return false;
}
