# Writes the member layout of the module's classes with virtual functions (the
# game object classes among them) from the debug information of a module,
# one line per class: its name, a tab, then every member as
# "path@offset:type;" (members of bases and of members that are structures
# spelled out down to plain values, arrays as their first element). Two
# builds whose lines for a class differ lay its objects out differently.
#
#   readelf --debug-dump=info MODULE | awk -f class_members.awk

function ref(text) {
    sub(/^<0x/, "", text)
    sub(/>.*/, "", text)
    return "0x" text
}

function value_of(line) {
    sub(/^[^:]*: */, "", line)
    if (line ~ /^\([^)]*\): /) sub(/^\([^)]*\): /, "", line)
    return line
}

# The plain type under typedefs and qualifiers.
function plain_type(t,    guard) {
    for (guard = 0; guard < 32 && (tag[t] == "typedef" || tag[t] == "const_type" || tag[t] == "volatile_type" ||
                                   tag[t] == "atomic_type" || tag[t] == "restrict_type"); guard++)
        t = type[t]
    return t
}

function members_of(s, at, prefix, depth,    list, n, i, c, where, base) {
    if (depth > 16) return "(too deep);"
    list = ""
    n = split(kids[s], c, " ")
    for (i = 1; i <= n; i++) {
        if (tag[c[i]] == "inheritance") {
            base = plain_type(type[c[i]])
            # A base whose virtual functions the engine defines is only
            # declared here; it is the engine's, the same in every build.
            if (declared[base]) list = list prefix name[base] "@" (at + loc[c[i]]) ":base;"
            else list = list members_of(base, at + loc[c[i]], prefix, depth + 1)
        } else if (tag[c[i]] == "member" && !declared[c[i]]) {
            where = at + loc[c[i]]
            if (bits[c[i]] != "") where = where "." bits[c[i]]
            list = list value(type[c[i]], where, prefix name[c[i]], depth + 1)
        }
    }
    return list
}

function value(t, where, path, depth,    p) {
    p = plain_type(t)
    if (tag[p] == "structure_type" || tag[p] == "class_type" || tag[p] == "union_type")
        return path "@" where ":" name[p] "/" size[p] ";" members_of(p, where, path ".", depth)
    if (tag[p] == "array_type")
        return path "@" where ":[" dims[p] "];" value(type[p], where, path "[]", depth + 1)
    if (tag[p] == "pointer_type" || tag[p] == "reference_type" || tag[p] == "rvalue_reference_type" ||
        tag[p] == "ptr_to_member_type")
        return path "@" where ":*;"
    if (tag[p] == "enumeration_type") return path "@" where ":enum/" size[p] ";"
    return path "@" where ":" name[p] ";"
}

/^ *<[0-9]+><[0-9a-f]+>: Abbrev Number: [0-9]+ \(DW_TAG_/ {
    depth = $1
    sub(/^</, "", depth)
    sub(/>.*/, "", depth)
    die = $1
    sub(/^<[0-9]+></, "", die)
    sub(/>.*/, "", die)
    die = "0x" die
    t = $0
    sub(/.*\(DW_TAG_/, "", t)
    sub(/\).*/, "", t)
    tag[die] = t
    open[depth] = die
    parent = depth > 0 ? open[depth - 1] : ""
    kids[parent] = kids[parent] " " die
    if (t == "subrange_type" && tag[parent] == "array_type") dims[parent] = dims[parent] "?"
    if (depth == 1) top[die] = 1
    next
}

/^ *<[0-9a-f]+> +DW_AT_/ {
    attr = $2
    sub(/:$/, "", attr)
    v = value_of($0)
    if (attr == "DW_AT_name") name[die] = v
    else if (attr == "DW_AT_byte_size") size[die] = v
    else if (attr == "DW_AT_type") type[die] = ref(v)
    else if (attr == "DW_AT_containing_type") virtual[die] = 1
    else if (attr == "DW_AT_declaration" || attr == "DW_AT_external") declared[die] = 1
    else if (attr == "DW_AT_data_member_location") {
        if (v ~ /DW_OP_plus_uconst: /) {
            sub(/.*DW_OP_plus_uconst: /, "", v)
            sub(/\).*/, "", v)
        }
        loc[die] = v + 0
    } else if (attr == "DW_AT_data_bit_offset" || attr == "DW_AT_bit_offset") bits[die] = v + 0
    else if ((attr == "DW_AT_upper_bound" || attr == "DW_AT_count") && tag[parent] == "array_type") {
        count = attr == "DW_AT_upper_bound" ? v + 1 : v + 0
        sub(/\?$/, count ",", dims[parent])
    }
}

END {
    for (die in top) {
        if ((tag[die] == "structure_type" || tag[die] == "class_type") && virtual[die] && !declared[die] &&
            size[die] != "" && !(name[die] in done)) {
            done[name[die]] = 1
            printf "%s\t%s\n", name[die], members_of(die, 0, "", 0)
        }
    }
}
