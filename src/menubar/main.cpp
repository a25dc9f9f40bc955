#include "menubar/quelloapp.h"

int main(int argc, char* argv[]) {
    return Quello::QuelloApp::main(argc, argv);
}
