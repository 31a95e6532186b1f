// tavimet: the editor window.
#include "app/EditorApp.h"
#include "platform/WxDialog.h"

int main(int argc, char** argv) {
    return ui::RunWxProgram(argc, argv,
                            [](ui::IUiSystem& system, const std::vector<std::string>& args) {
                                CEditorApp app;
                                app.InitInstance(system, args);
                                return 0;
                            });
}
