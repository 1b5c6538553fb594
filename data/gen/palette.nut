// Ground colours shared by every world type. Colours are packed 0xAARRGGBB.
palette <- {
  rock_dark = 0xFF4A4540
  rock = 0xFF7A7268
  rock_light = 0xFFA39A8E
  red_rock = 0xFF9A5538
  red_rock_light = 0xFFC98A5A
  sand = 0xFFD8C79A
  wet_sand = 0xFFA89468
  soil = 0xFF6B5238
  dry_grass = 0xFF9C9450
  grass = 0xFF4F7A2E
  lush_grass = 0xFF3A6B25
  forest = 0xFF2C4A1E
  ash = 0xFF2A2624
  ash_light = 0xFF57524D
  basalt = 0xFF1C1A1A
  scoria = 0xFF4A2A20
  ember = 0xFFD4501A
  snow = 0xFFF2F4F8
  ice = 0xFFBCD4E6
}
