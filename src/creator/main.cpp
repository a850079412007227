#include "runcreator.h"

int main(int argc, char** argv)
{
    return orv::creator::runCreator(argc, argv);
}
