// The Linux entry: the recorder's options are taken here; everything else
// is the host's.
#include "host/recorder.h"
#include "host/saver_host.h"
#include "platform/linux/system_args.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--record") == 0)
        return runRecorder(argc - 1, argv + 1);
    platformSetCommandLine(argc, argv);
    saverEntry();
}
