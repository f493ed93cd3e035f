// The Access file reader, run by the program as a separate process for each
// file it reads (see platform/access_read.h).
#include "access/access_read.h"

int main(int argc, char** argv) {
    return kuvano::access::runReader(argc, argv);
}
