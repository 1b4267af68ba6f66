#include "robot/RobotBody.h"

const char* bodyStateName(BodyState state) {
    switch (state) {
        case BodyState::Upright: return "upright";
        case BodyState::LyingFront: return "front";
        case BodyState::LyingBack: return "back";
    }
    return "upright";
}

const char* fallCauseName(FallCause cause) {
    switch (cause) {
        case FallCause::None: return "none";
        case FallCause::Knocked: return "knocked over";
        case FallCause::Tilt: return "tilted beyond 45 degrees";
        case FallCause::Balance: return "off balance for 0.3 s";
        case FallCause::Spin: return "pose jumped";
        case FallCause::Toppled: return "toppled";
    }
    return "none";
}
