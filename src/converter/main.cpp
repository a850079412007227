#include "runconverter.h"
#include "version.h"

int main(int argc, char** argv)
{
    if (orv::asksForVersion(argc, argv))
        return orv::printVersion(QStringLiteral("OrvConverter"));
    return orv::converter::runConverter(argc, argv);
}
