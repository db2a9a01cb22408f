#include "app/nodeweave.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Qt 6 decodes tr() sources as UTF-8 and 8-bit port text through the locale's codec,
    // so nothing needs choosing here.
    QCoreApplication::setOrganizationName(QObject::tr("Tellwind"));
    QCoreApplication::setOrganizationDomain(QObject::tr("tellwind.example"));
    QCoreApplication::setApplicationName(QObject::tr("Nodeweave"));

    Nodeweave window;
    app.installTranslator(window.appTranslator());
    window.retranslate();
    window.show();
    return app.exec();
}
