#include "common/stop_request.h"
#include "driver/run_sequence.h"

int main(int argc, char** argv)
{
    installStopHandlers();
    return runScrivdraw(argc, argv);
}
