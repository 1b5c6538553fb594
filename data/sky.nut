// The colours of the day. The engine calls get_sky_colors with the sun's
// angle from the zenith in degrees (0: overhead, 90: on the horizon, more:
// below it) and takes ten entries of three numbers each:
//
//  0  sky light: the light the whole sky sheds on every surface (ambient)
//  1  sun light: the direct light of the sun on surfaces facing it
//  2  water absorption per unit of depth (red is swallowed first); the
//     engine derives from 0..2 the light left under 5 and under 1 unit of
//     water
//  3  sky colour at the zenith
//  4  sky colour at the horizon; distance and fog fade towards it
//  5  colour of the sun's disc and of its glow
//  6  [glow strength around the sun, brightening of the horizon on the sun's
//     side, brightness of the disc]
//  7  haze of the air by channel: how much of the far distance (512 units)
//     has faded into the sky, blue before red
//  8  [fog density at the far distance, fog thinning per unit of height, unused]
//  9  [sharpness of the sun's glow, how quickly the horizon colour gives way
//     to the zenith's (smaller: sooner), darkness below the horizon
//     (0 black, 1 as the horizon)]
//
// The sky moves through a few moments of the day by the sun's angle and is
// blended between them: noon blue, afternoon, golden evening, the dusk glow
// with the sun on the horizon, the last light after sunset, and night.

local day = [
  { angle = 0.0, colors = [
      [0.38, 0.45, 0.55], [1.00, 0.97, 0.90], [0.45, 0.15, 0.06],
      [0.18, 0.38, 0.80], [0.64, 0.78, 0.94], [1.00, 0.96, 0.86],
      [0.35, 0.10, 3.00], [0.22, 0.36, 0.65], [1.50, 0.04, 0.00],
      [6.00, 0.45, 0.92]] },
  { angle = 55.0, colors = [
      [0.36, 0.42, 0.52], [1.00, 0.93, 0.82], [0.45, 0.15, 0.06],
      [0.16, 0.34, 0.74], [0.68, 0.77, 0.90], [1.00, 0.92, 0.78],
      [0.40, 0.20, 3.00], [0.25, 0.38, 0.62], [1.50, 0.04, 0.00],
      [6.00, 0.42, 0.90]] },
  { angle = 76.0, colors = [
      [0.32, 0.31, 0.36], [1.00, 0.76, 0.46], [0.45, 0.15, 0.06],
      [0.15, 0.27, 0.56], [0.92, 0.74, 0.52], [1.00, 0.76, 0.42],
      [0.45, 0.55, 3.00], [0.34, 0.42, 0.60], [1.70, 0.04, 0.00],
      [9.00, 0.40, 0.85]] },
  { angle = 88.0, colors = [
      [0.24, 0.20, 0.26], [0.92, 0.48, 0.22], [0.45, 0.15, 0.06],
      [0.10, 0.14, 0.34], [0.88, 0.46, 0.28], [1.00, 0.50, 0.22],
      [0.80, 0.95, 2.50], [0.45, 0.46, 0.55], [2.00, 0.04, 0.00],
      [6.00, 0.35, 0.80]] },
  { angle = 96.0, colors = [
      [0.11, 0.10, 0.17], [0.16, 0.07, 0.05], [0.45, 0.15, 0.06],
      [0.05, 0.07, 0.18], [0.46, 0.23, 0.26], [0.80, 0.32, 0.22],
      [0.60, 0.80, 0.00], [0.40, 0.40, 0.45], [2.00, 0.04, 0.00],
      [3.00, 0.30, 0.30]] },
  { angle = 110.0, colors = [
      [0.04, 0.05, 0.10], [0.00, 0.00, 0.00], [0.45, 0.15, 0.06],
      [0.01, 0.02, 0.05], [0.05, 0.06, 0.12], [0.20, 0.10, 0.10],
      [0.10, 0.20, 0.00], [0.35, 0.35, 0.40], [2.00, 0.04, 0.00],
      [3.00, 0.30, 0.30]] }
];

function blend_colors(a, b, t) {
  local out = [];
  for (local i = 0; i < a.len(); i++) {
    local e = [];
    for (local c = 0; c < 3; c++) e.append(a[i][c] + (b[i][c] - a[i][c]) * t);
    out.append(e);
  }
  return out;
}

function get_sky_colors(angle) {
  if (angle <= day[0].angle) return day[0].colors;
  for (local i = 1; i < day.len(); i++) {
    if (angle <= day[i].angle) {
      local from = day[i - 1], to = day[i];
      local t = (angle - from.angle) / (to.angle - from.angle);
      // Ease, so the sky lingers at each moment and turns between them.
      t = t * t * (3.0 - 2.0 * t);
      return blend_colors(from.colors, to.colors, t);
    }
  }
  return day[day.len() - 1].colors;
}
