/* Random driver keys: applying and then removing the patch, with a rerun after any failure,
   gives every subkey back the driver's original setting and touches nothing else. */
#include <stdlib.h>

#include <iostream>
#include <random>
#include <set>

#include "testing.h"

using namespace hostwin;

namespace {

const int CASES = 3000;
const unsigned DEFAULT_SEED = 20030416;

struct SubkeyShape
{
    std::string name;
    std::map<std::string, Value> values;
};

class Generator
{
public:
    explicit Generator(unsigned seed) : random(seed) {}

    std::vector<SubkeyShape> DriverKey()
    {
        std::vector<SubkeyShape> subkeys;
        std::set<std::string> taken;
        for (int n = Below(21); n > 0; n--) {
            SubkeyShape subkey;
            subkey.name = Name();
            std::string folded;
            for (char c : subkey.name)
                folded += (char)tolower((unsigned char)c);
            if (!taken.insert(folded).second)
                continue;
            for (const char *name : {"Turbo", "OriginalTurboValue", "Volume"})
                if (Below(3) != 0)
                    subkey.values[name] = AnyValue();
            subkeys.push_back(subkey);
        }
        return subkeys;
    }

    /* At most one failure, of a call a run makes, with a code Windows could give there. */
    void MaybeInjectFailure()
    {
        static const RegOp OPS[] = {REG_OPEN, REG_ENUM, REG_QUERY, REG_SET, REG_DELETE};
        static const LONG CODES[] = {ERROR_ACCESS_DENIED, ERROR_KEY_DELETED, 1009 /* ERROR_BADDB */,
                                     1450 /* ERROR_NO_SYSTEM_RESOURCES */};
        if (Below(2) == 0)
            return;
        FailCall(OPS[Below(5)], CODES[Below(4)], "", 1 + Below(60));
    }

private:
    std::mt19937 random;

    int Below(int n) { return (int)(random() % (unsigned)n); }

    std::string Name()
    {
        static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_- {}";
        std::string name;
        for (int length = 1 + Below(70); length > 0; length--)
            name += LETTERS[Below(sizeof(LETTERS) - 1)];
        return name;
    }

    /* No string types: Windows converts their data between ANSI and UTF-16 in the A calls, so
       no platform promises them a byte-exact round trip. */
    Value AnyValue()
    {
        static const DWORD TYPES[] = {REG_DWORD, REG_BINARY, REG_QWORD, REG_NONE};
        Value value{TYPES[Below(4)], {}};
        for (int size = Below(9); size > 0; size--)
            value.data.push_back((BYTE)Below(256));
        return value;
    }
};

unsigned Seed()
{
    const char *chosen = getenv("VELMORA_PROPERTY_SEED");
    return chosen ? (unsigned)strtoul(chosen, nullptr, 10) : DEFAULT_SEED;
}

bool Small(const std::map<std::string, Value> &values, const char *name)
{
    auto found = values.find(name);
    return found != values.end() && found->second.data.size() <= 4;
}

/* What a subkey must hold once the patch has been applied and removed again. */
std::map<std::string, Value> Expected(const SubkeyShape &subkey)
{
    std::map<std::string, Value> values = subkey.values;
    if (subkey.name.size() > 63)  // reported and skipped by every walk
        return values;
    if (Small(values, "OriginalTurboValue")) {
        values["Turbo"] = Value{REG_DWORD, values["OriginalTurboValue"].data};
        values.erase("OriginalTurboValue");
    } else if (Small(values, "Turbo")) {
        values["Turbo"].type = REG_DWORD;
        values.erase("OriginalTurboValue");  // larger than any backup Velmora writes: not ours
    }
    return values;
}

class Property : public VelmoraTest
{
protected:
    /* One run, perhaps cut by a failure; then, as the user would, the same run again. */
    void RunWithRerun(Generator &generator, BOOL apply)
    {
        StartProcess();
        generator.MaybeInjectFailure();
        Run(apply);
        ASSERT_EQ(OpenHandleCount(), 0);
        NewProcess();  // without the failure
        StartProcess();
        Run(apply);
        ASSERT_EQ(OpenHandleCount(), 0);
    }
};

TEST_F(Property, ApplyThenRemoveGivesEverySubkeyBackItsSetting)
{
    unsigned seed = Seed();
    std::cout << "property seed: " << seed << " (set VELMORA_PROPERTY_SEED to choose another)\n";
    Generator generator(seed);
    for (int i = 0; i < CASES; i++) {
        ResetRegistry();
        ResetUi();
        std::vector<SubkeyShape> subkeys = generator.DriverKey();
        CreateKey(WAVE);
        for (const SubkeyShape &subkey : subkeys) {
            CreateKey(Sub(subkey.name));
            for (const auto &value : subkey.values)
                SetValue(Sub(subkey.name), value.first, value.second.type, value.second.data);
        }
        RunWithRerun(generator, TRUE);
        RunWithRerun(generator, FALSE);
        if (HasFailure())
            FAIL() << "case " << i << " of seed " << seed;
        for (const SubkeyShape &subkey : subkeys)
            ASSERT_EQ(Values(Sub(subkey.name)), Expected(subkey))
                << "case " << i << " of seed " << seed << ", subkey <" << subkey.name << ">";
        ASSERT_EQ(Subkeys(WAVE).size(), subkeys.size());
    }
}

}  // namespace
