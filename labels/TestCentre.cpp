#include "TestCentre.h"

TestCentre pickTestCentre(const AppSettings& settings, const LabelJob& job) {
    if (job.CustomerId.startsWith(u'7'))
        return {settings.LogoFileName1, settings.TestCenterHp1, 236};
    return {settings.LogoFileName2, settings.TestCenterHp2, 250};
}
