#include "runcompactor.h"

int main(int argc, char** argv)
{
    return orv::compactor::runCompactor(argc, argv);
}
