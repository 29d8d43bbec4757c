// Orvex and Setrova_CN: one program, built once per language (their resource scripts differ).
#include "setuptool/orvex_app.h"

setuptool::COrvexApp theApp;
FW_APPLICATION_MAIN()
