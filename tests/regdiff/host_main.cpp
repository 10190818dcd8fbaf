/* The registry sequence against hostwin. */
#include <string>

#include "hostwin.h"
#include "sequence.h"

void CreateFixture(void)
{
    hostwin::ResetRegistry();
    for (int i = 0; i < FIXTURE_SUBKEY_COUNT; i++)
        hostwin::CreateKey(std::string(FIXTURE_KEY "\\") + FIXTURE_SUBKEYS[i]);
    for (int i = 0; i < FIXTURE_VALUE_COUNT; i++) {
        const FixtureValue &value = FIXTURE_VALUES[i];
        hostwin::SetValue(std::string(FIXTURE_KEY "\\") + value.key, value.name, value.type,
                          std::vector<BYTE>(value.data, value.data + value.size));
    }
}

void DeleteFixtureKey(const char *path)
{
    hostwin::DeleteKey(path);
}

int main()
{
    CreateFixture();
    RunSequence();
    return 0;
}
