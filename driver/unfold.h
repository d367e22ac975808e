// Unfolding: joins continuation lines to the header field they continue and
// prints every finished field.
#pragma once

#include "driver/input.h"
#include "extract/output.h"

// Runs the filter until the input is used up or a write fails. After a read
// failure the header still open is dropped.
void unfold_headers(Input& in, Output& out);
