// The program: Vantelsiro starts with the real services and takes no command line.
#include "app/application.h"

int main() {
    velti::start(velti::applicationRecord());
}
