#include "runconverter.h"

int main(int argc, char** argv)
{
    return orv::converter::runConverter(argc, argv);
}
