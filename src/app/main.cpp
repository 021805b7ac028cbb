#include "app/startup.h"

int main(int argc, char** argv)
{
    return tessaro::RunWorkstation(argc, argv);
}
