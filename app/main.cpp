#include "app/CQuorvaneApp.h"

int main(int argc, char** argv) {
    CQuorvaneApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitCode();
    return CQuorvaneApp::exec();
}
