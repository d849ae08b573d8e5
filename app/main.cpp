// orbixrx: the windowed program. Only wiring: the application, then the
// program itself (app/receiver_program.cpp), which tests run the same way.
#include <QApplication>

#include "app/receiver_program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return orbix::RunReceiverProgram();
}
