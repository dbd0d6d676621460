#include "application.h"
#include "startup.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    return RunProgram();
}
