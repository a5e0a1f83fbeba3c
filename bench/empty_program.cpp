// The floor of the card-tool benchmark: a C++ program that prints one line,
// started and ended like tunzo-card --help.

#include <iostream>

int main()
{
    std::cout << "usage: nothing\n";
    return 0;
}
