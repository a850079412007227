#include "runplayer.h"
#include "version.h"

int main(int argc, char** argv)
{
    if (orv::asksForVersion(argc, argv))
        return orv::printVersion(QStringLiteral("OrvPlayer"));
    return orv::player::runPlayer(argc, argv);
}
