#include "runplayer.h"

int main(int argc, char** argv)
{
    return orv::player::runPlayer(argc, argv);
}
