// An object's state as a flat script array, for a saved game: one function
// lists the fields in order and serves both ways, so what is written and
// what is read back cannot drift apart.
import world.vec

struct StateFields {
    HSQUIRRELVM vm = nullptr;
    SQInteger array = 0;   // absolute stack index of the record's array
    bool loading = false;
    SQInteger next = 0;    // loading: the element read next
    bool complete = true;  // loading: every field was there and a number

    void num(float& v) {
        if (!loading) {
            sq_pushfloat(vm, v);
            sq_arrayappend(vm, array);
            return;
        }
        SQFloat f;
        if (read() && SQ_SUCCEEDED(sq_getfloat(vm, -1, &f)) && std::isfinite(f)) v = f;
        else complete = false;
        sq_settop(vm, array);
    }
    void count(int& v) {
        if (!loading) {
            sq_pushinteger(vm, v);
            sq_arrayappend(vm, array);
            return;
        }
        SQInteger i;
        if (read() && sq_gettype(vm, -1) == OT_INTEGER && SQ_SUCCEEDED(sq_getinteger(vm, -1, &i))) v = int(i);
        else complete = false;
        sq_settop(vm, array);
    }
    void flag(bool& v) {
        int i = v ? 1 : 0;
        count(i);
        v = i != 0;
    }
    void vec(Vec3& v) {
        num(v.x);
        num(v.y);
        num(v.z);
    }

private:
    // Pushes the next element; false when the record has no more.
    bool read() {
        sq_settop(vm, array);
        sq_pushinteger(vm, next++);
        return SQ_SUCCEEDED(sq_get(vm, array)) && sq_gettop(vm) == array + 1;
    }
};
