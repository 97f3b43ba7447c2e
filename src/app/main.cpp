#include <cstdio>

int main() {
    std::puts("Frelt, a keyboard launcher for the Linux desktop: the window and tray arrive with the application shell.");
    return 0;
}
