// Entry point of the Vaskor MIDI 5 programming utility.
#include <cstdio>

int main()
{
    std::puts("Vaskor MIDI 5");
    return 0;
}
