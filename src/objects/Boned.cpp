#include "objects/Boned.h"

#include "buildMode.h"

Boned::Boned() : bName(), bID(head), polarPos(), CartPos(), lTSBonde(0.0) {}

void Boned::setName(const char* name) { bName = (name != nullptr) ? name : ""; }
std::string Boned::getName() const { return bName; }
void Boned::setID(BONEDID id) { bID = id; }
BONEDID Boned::getID() const { return bID; }

void Boned::setPolarPos(Point pos) {
    devOut("< ----------------- setter ----------------- >", '\n');
    polarPos = pos;
}

Point Boned::getPolarPos() const { return polarPos; }
void Boned::setCartPos(Point pos) { CartPos = pos; }
Point Boned::getCartPos() const { return CartPos; }
void Boned::setLastTimeSeenBoned(double time) { lTSBonde = time; }
double Boned::getLastTimeSeenBoned() const { return lTSBonde; }
