#include "app/application.h"

int main() {
    velti::start(velti::applicationRecord());
}
