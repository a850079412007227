#include "runcompactor.h"
#include "version.h"

int main(int argc, char** argv)
{
    if (orv::asksForVersion(argc, argv))
        return orv::printVersion(QStringLiteral("OrvCompactor"));
    return orv::compactor::runCompactor(argc, argv);
}
