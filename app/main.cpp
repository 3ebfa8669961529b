#include "application.h"

int main() {
    velti::start(velti::applicationRecord());
}
