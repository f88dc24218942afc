#include "app/app.h"

int main(int argc, char** argv) { return vp::shell::RunApplication(argc, argv); }
