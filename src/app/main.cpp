// Halcyra Viewer.
#include "app/Application.h"

int main(int argc, char** argv) { return hy::app::RunApplication(argc, argv); }
