#pragma once

// mdbtools.h includes glib.h inside an extern "C" block, where glib's C++ templates cannot be;
// including glib.h first lets its include guard keep it out of that block.
#include <glib.h>
#include <mdbtools.h>
