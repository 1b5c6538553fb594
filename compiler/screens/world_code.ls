// World codes players share: the kind of world and its seed in a few
// letters and digits, with a check character so that a mistyped code is
// refused instead of leading to some other world. The digits are base 32
// without the letters I, L, O and U, which read like others; those are
// taken as the digits they look like.
import objects.common

constexpr const char WORLD_CODE_DIGITS[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int WORLD_CODE_BASE = 32;
// Kinds fit in the low three bits of the coded number.
constexpr int WORLD_CODE_KINDS = 8;
constexpr int WORLD_CODE_MIN_DIGITS = 3;
// Room for a code of any seed: eight characters, a dash and the terminator.
constexpr int WORLD_CODE_SIZE = 12;

namespace world_code_detail {

// The digit's value, or -1 for a character no code holds.
inline int digit_value(char c) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c == 'O') c = '0';
    if (c == 'I' || c == 'L') c = '1';
    for (int i = 0; i < WORLD_CODE_BASE; i++)
        if (WORLD_CODE_DIGITS[i] == c) return i;
    return -1;
}

// Luhn's sum modulo 32 over digit values, the last one doubled first: it
// changes with any single changed character.
inline int luhn_sum(const int* digits, int n, bool lastDoubled) {
    int sum = 0;
    bool doubled = lastDoubled;
    for (int i = n - 1; i >= 0; i--) {
        int v = digits[i] * (doubled ? 2 : 1);
        sum += v / WORLD_CODE_BASE + v % WORLD_CODE_BASE;
        doubled = !doubled;
    }
    return sum % WORLD_CODE_BASE;
}

}  // namespace world_code_detail

// The code of a world of kind `kind` (0..7) and `seed`: "K3QX", or with a
// dash after every four characters for long seeds ("1ZZZ-ZZZ7").
inline void make_world_code(int kind, int seed, char* out) {
    using namespace world_code_detail;
    uint64_t number = uint64_t(uint32_t(seed)) * WORLD_CODE_KINDS + uint64_t(kind & (WORLD_CODE_KINDS - 1));
    int digits[16], n = 0;
    while (number > 0 || n < WORLD_CODE_MIN_DIGITS) {
        digits[n++] = int(number % WORLD_CODE_BASE);
        number /= WORLD_CODE_BASE;
    }
    for (int i = 0; i < n / 2; i++) {
        int t = digits[i];
        digits[i] = digits[n - 1 - i];
        digits[n - 1 - i] = t;
    }
    digits[n] = (WORLD_CODE_BASE - luhn_sum(digits, n, true)) % WORLD_CODE_BASE;
    n++;
    int o = 0;
    for (int i = 0; i < n; i++) {
        if (i > 0 && i % 4 == 0) out[o++] = '-';
        out[o++] = WORLD_CODE_DIGITS[digits[i]];
    }
    out[o] = 0;
}

// Reads a code as typed (any case, spaces and dashes anywhere). Null with
// the kind and seed set, or what is wrong with it, for the player.
inline const char* read_world_code(const char* text, int kindCount, int* kind, int* seed) {
    using namespace world_code_detail;
    int digits[16], n = 0;
    for (const char* c = text; *c; c++) {
        if (*c == ' ' || *c == '-') continue;
        int v = digit_value(*c);
        if (v < 0) return "A world code has only letters and digits";
        if (n == 16) return "That code is too long";
        digits[n++] = v;
    }
    if (n == 0) return "Type the code of a world";
    if (n <= WORLD_CODE_MIN_DIGITS) return "That code is too short";
    if (luhn_sum(digits, n, false) != 0) return "That code is mistyped: no world has it";
    uint64_t number = 0;
    for (int i = 0; i < n - 1; i++) {
        number = number * WORLD_CODE_BASE + uint64_t(digits[i]);
        if (number >= uint64_t(WORLD_CODE_KINDS) << 32) return "That code is too long";
    }
    int k = int(number % WORLD_CODE_KINDS);
    if (k >= kindCount) return "That code names no kind of world this game has";
    *kind = k;
    *seed = int(uint32_t(number / WORLD_CODE_KINDS));
    return nullptr;
}
