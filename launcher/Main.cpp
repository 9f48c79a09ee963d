// Process entry: the launch sequence's result is the exit status.
#include "Launcher.h"

#include "Platform.h"

extern "C" int PLATFORM_WINAPI WinMain(platform::HINSTANCE instance, platform::HINSTANCE previousInstance,
                                       char* commandLine, int showState)
{
    platform::ExitProcess(static_cast<platform::UINT>(LaunchMain(instance, previousInstance, commandLine, showState)));
}
