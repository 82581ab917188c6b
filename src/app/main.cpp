#include "app/keltrix_main.h"

int main(int argc, char** argv) {
    return keltrix::KeltrixMain(argc, argv);
}
