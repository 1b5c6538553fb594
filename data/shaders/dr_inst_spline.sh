#version 330 core
#include "shaders/inst_spline_vs.sh"
#include "shaders/inst_deferred_ps.sh"
