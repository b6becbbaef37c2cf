#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/FormPrinc.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    ui::QtDialogs dialogs;
    ui::FormPrinc window(dialogs);
    window.show();
    return app.exec();
}
