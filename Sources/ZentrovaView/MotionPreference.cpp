#include "ZentrovaView/MotionPreference.h"

namespace zentrova {
namespace {

class SystemMotionPreference final : public MotionPreference {
public:
    bool reduceMotion() const override { return false; }
};

} // namespace

const MotionPreference& MotionPreference::system()
{
    static const SystemMotionPreference preference;
    return preference;
}

} // namespace zentrova
