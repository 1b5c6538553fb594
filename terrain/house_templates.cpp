#include "terrain/house_templates.h"

#define BIG_HEIGHTS                                                                                                    \
  "0000000000000000000088800000000000888008986644666446689800888664466644668880006644444444444660000664444444444466" \
  "0000444400000004444000044440000000444400006644008880044660000664400898004466000066440088800446600004444000000044" \
  "4400004444000000044440000664444444444466000066444444444446600088866446664466888008986644666446689800888000000000" \
  "0088800000000000000000000"
#define BIG_TILES                                                                                                      \
  "bdcb..........bdcbcaarkomnkjqlpjraaddaaifheiffheifhaacbrhsigeghigeghsirb.jfheeeeeeeeeeifk..pigebcdcdcdbegho..lee" \
  "ed......ceeem..qhgec.bdcb.degin..jfied.caad.cehfk..kfhec.daac.deifj..niged.bcdb.ceghq..meeec......deeel..ohgebdc" \
  "dcdcbegip..kfieeeeeeeeeehfj.brishgegihgegishrbcaahfiehffiehfiaaddaarjplqjknmokraacbcdb..........bcdb"
#define BIG_VARIANTS                                                                                                   \
  "566600000000005666556766666666665563503363056630565033000303000030000043055300000000005330050305000000600030050" \
  "003000000500030056603056660505630055303055630505330055303050330505330050303000030500030050003000000500030056600" \
  "666666305630055300000000005330526666056660565666556303050030505563503300000000001033000300000000000003"

#define SMALL_HEIGHTS "0000008880089800888000000"
#define SMALL_TILES "bdcbcaaddaacbcdb"
#define SMALL_VARIANTS "5666556350330003"

static_assert(sizeof(BIG_HEIGHTS) - 1 == 19 * 19);
static_assert(sizeof(BIG_TILES) - 1 == 18 * 18 && sizeof(BIG_VARIANTS) - 1 == 18 * 18);
static_assert(sizeof(SMALL_HEIGHTS) - 1 == 5 * 5);
static_assert(sizeof(SMALL_TILES) - 1 == 4 * 4 && sizeof(SMALL_VARIANTS) - 1 == 4 * 4);

#define LONG_Z_HEIGHTS "0000005550056500555005550057500555005550056500555000000"
#define LONG_Z_TILES "bdcbcaaddaacceeddaaccaaddeeccaaddaacbcdb"
#define LONG_Z_VARIANTS "5666556350335003556350335003556350330003"
static_assert(sizeof(LONG_Z_HEIGHTS) - 1 == 5 * 11);
static_assert(sizeof(LONG_Z_TILES) - 1 == 4 * 10 && sizeof(LONG_Z_VARIANTS) - 1 == 4 * 10);

#define LONG_X_HEIGHTS "0000000000005555555550056557556500555555555000000000000"
#define LONG_X_TILES "bdcdcdcdcbcaaeaaeaaddaaeaaeaacbcdcdcdcdb"
#define LONG_X_VARIANTS "5666666666556056056350300300330000000003"
static_assert(sizeof(LONG_X_HEIGHTS) - 1 == 11 * 5);
static_assert(sizeof(LONG_X_TILES) - 1 == 10 * 4 && sizeof(LONG_X_VARIANTS) - 1 == 10 * 4);

const HouseTemplate house_templates[HOUSE_TEMPLATE_COUNT] = {
    {18, 18, 6.75f, BIG_HEIGHTS, BIG_TILES, BIG_VARIANTS},
    {4, 4, 6.75f, SMALL_HEIGHTS, SMALL_TILES, SMALL_VARIANTS},
    {4, 4, 6.75f, SMALL_HEIGHTS, SMALL_TILES, SMALL_VARIANTS},
    {4, 10, 6.75f, LONG_Z_HEIGHTS, LONG_Z_TILES, LONG_Z_VARIANTS},
    {10, 4, 6.75f, LONG_X_HEIGHTS, LONG_X_TILES, LONG_X_VARIANTS},
};
