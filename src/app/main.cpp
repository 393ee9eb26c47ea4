#include "app/app.h"

int main(int argc, char** argv) {
    return kelpris::runKelpris(argc, argv);
}
