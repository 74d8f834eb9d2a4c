// zvk-mqtt: publishes ZVK network thermometers to an MQTT broker for Home Assistant.
#include "BridgeMain.h"

int main(int argc, char** argv)
{
    return RunBridge(argc, argv);
}
