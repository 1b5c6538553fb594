#version 330 core
// Run lengths of top edges along rows.
#define RUNS_ALONG_ROWS 1
#include "mlaa_runs.inc"
