#include "app/startup.h"

int main(int argc, char** argv) {
    return kuvano::app::runProgram(argc, argv);
}
