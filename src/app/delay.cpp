#include "app/rovadod.h"

#include <chrono>
#include <thread>

void Rovadod::DelayT(int ms)
{
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}
