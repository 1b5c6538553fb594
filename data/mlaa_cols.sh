#version 330 core
// Run lengths of left edges along columns; the final pass writes them to
// blue and alpha of the rows' result.
#include "mlaa_runs.inc"
