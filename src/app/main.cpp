// tavimet: the editor window.
#include <cstdio>

#include "app/CommandLine.h"
#include "app/EditorApp.h"
#include "platform/UiProgram.h"

int main(int argc, char** argv) {
    // --version and --help need no display: answered before the toolkit starts.
    if (auto text = app::AnswerWithoutWindow(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    return ui::RunUiProgram(argc, argv,
                            [](ui::IUiSystem& system, const std::vector<std::string>& args) {
                                CEditorApp app;
                                app.InitInstance(system, args);
                                return 0;
                            });
}
