#include "objects/Player.h"

Player::Player() : BasicObject(), unum(0), side(SIDE_UNKNOWN), glbPos(), boned() {}

Player::Player(int num, Side s, Point pos)
    : BasicObject(), unum(num), side(s), glbPos(pos), boned() {}

void Player::setNum(int num) { unum = num; }
int Player::getNum() const { return unum; }
void Player::setSide(Side newSide) { side = newSide; }
Side Player::getSide() const { return side; }
void Player::setGlbPos(Point pos) { glbPos = pos; }
Point Player::getGlbPos() const { return glbPos; }

void Player::setBoned(Boned part, BONEDID id) {
    const int slot = static_cast<int>(id);
    if (slot >= 0 && slot < kBonedCount) {
        boned[slot] = part;
    }
}

Boned Player::getBoned(BONEDID id) const {
    const int slot = static_cast<int>(id);
    if (slot >= 0 && slot < kBonedCount) {
        return boned[slot];
    }
    return Boned();
}
