#include "mainwindow/frmOVCache.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvane Cache Importer");
    QApplication::setFont(ovcache::WindowFont());
    ovcache::frmOVCache window;
    if (!window.Form_Load())
        return window.ExitCode();
    window.show();
    return QApplication::exec();
}
