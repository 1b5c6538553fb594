#include <gtest/gtest.h>
#include "gameobj_host/base_object.h"
#include "squirrel.h"

namespace {

struct CountingObject : BaseObject {
    int onDestroyCalls = 0;
    void onDestroy() override { onDestroyCalls++; }
};

class BaseObjectTest : public ::testing::Test {
protected:
    void TearDown() override { deleted_gameobjs.clear(); }
};

TEST_F(BaseObjectTest, DestroyQueuesOnceAndCallsTheHookOnce) {
    CountingObject o;
    EXPECT_EQ(o.destroyState, OBJ_ALIVE);
    o.destroy();
    o.destroy();
    EXPECT_EQ(o.destroyState, OBJ_DESTROYED);
    EXPECT_EQ(o.onDestroyCalls, 1);
    ASSERT_EQ(deleted_gameobjs.num, 1);
    EXPECT_EQ(deleted_gameobjs[0], &o);
}

TEST_F(BaseObjectTest, BaseOperationsAnswerTheirDefaults) {
    BaseObject o;
    EXPECT_STREQ(o.getClassName(), "BaseObject");
    EXPECT_EQ(o.query(7), 0);
    GameObj g;
    EXPECT_EQ(g.proximityBin, NO_PROXIMITY_BIN);
}

// The script value a weak script reference points at, or OT_NULL once the
// value is gone.
SQObjectType weak_target_type(HSQUIRRELVM vm, HSQOBJECT weakRef) {
    sq_pushobject(vm, weakRef);
    sq_getweakrefval(vm, -1);
    SQObjectType type = sq_gettype(vm, -1);
    sq_pop(vm, 2);
    return type;
}

TEST_F(BaseObjectTest, DestructionReleasesTheScriptValue) {
    HSQUIRRELVM vm = sq_open(1024);
    sq_newtable(vm);
    BaseObject* o = new BaseObject();
    ASSERT_TRUE(o->scriptObj.fromStack(vm, -1));
    sq_weakref(vm, -1);
    HSQOBJECT weakRef;
    sq_getstackobj(vm, -1, &weakRef);
    sq_addref(vm, &weakRef);
    sq_pop(vm, 2);  // only the object holds the table now

    EXPECT_EQ(weak_target_type(vm, weakRef), OT_TABLE);
    delete o;
    EXPECT_EQ(weak_target_type(vm, weakRef), OT_NULL);
    sq_release(vm, &weakRef);
    sq_close(vm);
}

TEST(WeakRef, DestructionClearsEveryReference) {
    WeakPtr<BaseObject> r1, r2, r3;
    {
        BaseObject o;
        r1 = &o;
        r2 = &o;
        r3 = &o;
        EXPECT_EQ(r1.get(), &o);
        EXPECT_EQ(r3.get(), &o);
    }
    for (WeakRef* r : {static_cast<WeakRef*>(&r1), static_cast<WeakRef*>(&r2), static_cast<WeakRef*>(&r3)}) {
        EXPECT_EQ(r->target, nullptr);
        EXPECT_EQ(r->object, nullptr);
        EXPECT_EQ(r->next, nullptr);
    }
}

TEST(WeakRef, ReferencesLeaveTheChainInAnyOrder) {
    BaseObject o;
    {
        WeakPtr<BaseObject> r1(&o);
        WeakPtr<BaseObject> r2(&o);
        WeakPtr<BaseObject> r3(&o);
        r2.reset();  // middle of the chain
        EXPECT_EQ(r2.get(), nullptr);
        EXPECT_EQ(r1.get(), &o);
        r1 = nullptr;  // the chain's head
        EXPECT_EQ(o.firstWeakRef, static_cast<WeakRef*>(&r3));
        EXPECT_EQ(r3.next, static_cast<WeakRef*>(&r3));
    }
    // r3 detached itself when it went out of scope.
    EXPECT_EQ(o.firstWeakRef, nullptr);
}

TEST(WeakRef, RetargetingMovesTheReferenceToTheNewChain) {
    BaseObject a, b;
    WeakPtr<BaseObject> r(&a);
    WeakPtr<BaseObject> other(&a);
    r = &b;
    EXPECT_EQ(r.get(), &b);
    EXPECT_EQ(b.firstWeakRef, static_cast<WeakRef*>(&r));
    EXPECT_EQ(a.firstWeakRef, static_cast<WeakRef*>(&other));
    EXPECT_EQ(other.next, static_cast<WeakRef*>(&other));
}

}  // namespace
