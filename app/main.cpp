#include "app/application_setup.h"
#include "app/tform1.h"
#include "assets/embedded_database.h"

int main(int /*argc*/, char* argv[]) {
    registerEmbeddedDatabase();
    // The program reads no arguments, and hands none to Qt.
    app::Application application(argv[0]);
    TForm1 Form1;
    Form1.show();
    QApplication::exec();
    return 0;
}
