#pragma once
// The Qt application of the window tests: created once, on Qt's offscreen platform unless the
// environment names another one.

#include "platform/gui/Forms.h"

TApplication& TestApplication();
