#include "ProgramMain.h"
#include "uf_ZVKdemo.h"

int main(int argc, char** argv)
{
    RegisterMainWindowLayout();
    return RunProgram(argc, argv);
}
