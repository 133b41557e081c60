#include "app/rovadod.h"

int main(int argc, char** argv)
{
    return Rovadod::main(argc, argv);
}
