// orbixrx: the windowed program. Only wiring: the application, then the
// program itself (app/gui/receiver_program.cpp), which tests run the same way.
#include <QApplication>

#include "app/gui/receiver_program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return orbix::RunReceiverProgram();
}
