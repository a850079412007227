#include "runcreator.h"
#include "version.h"

int main(int argc, char** argv)
{
    if (orv::asksForVersion(argc, argv))
        return orv::printVersion(QStringLiteral("OrvCreator"));
    return orv::creator::runCreator(argc, argv);
}
