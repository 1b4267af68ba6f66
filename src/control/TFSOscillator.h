// Gait generator of the walking skills: a closed-form function of the phase
// time that gives the target angles (degrees) of hip pitch, hip roll, knee,
// ankle pitch, ankle roll, hip yaw and shoulder of two legs. Each joint
// follows one sine term; the slave leg runs one step (half a gait cycle)
// behind the master leg. The walk builds one oscillator per cycle, loads the
// gait parameters, calls calcOSC() and reads the outputs.
//
// A gait needs a positive step duration. Without one (zero, negative or not
// a number) the oscillator has no phase: every generator is evaluated at
// phase angle 0, so the outputs stay finite and the legs sit in the gait's
// starting posture instead of receiving targets that are not numbers.
#pragma once

class TFSOscillator {
public:
    explicit TFSOscillator(double time);
    virtual ~TFSOscillator() = default;

    // aKnee, t1Knee, t2Kknee, cKnee, aArm, aHipY, aHip, bHip, cHip, halfPeriod.
    // A null array changes nothing.
    void setOscParameters(const double* p);
    void setOscParameters(double aknee, double t1knee, double t2knee, double cknee, double ahip,
                          double bhip, double chip, double halfperiod);
    // As above with the knee hold window starting at 0 (the two overall
    // scales are not used by any output).
    void setOscParameters(double rM1, double rS1, double aknee, double t2knee, double cknee,
                          double ahip, double bhip, double chip, double halfperiod);
    void setR(double rMaArm1, double rSaArm1, double rMaRot1, double rSaRot1, double rMaFWRot1,
              double rSaFWRot1, double rMaHip1, double rSaHip1, double rMbHip1, double rSbHip1,
              double rMaHipY1, double rSaHipY1, double rMaknee1, double rSaknee1);
    // The overall scales: accepted for the callers' sake, no output uses them.
    void setR(double rMaster, double rSlave, double rMasterS, double rSlaveS);
    void setArm(double a);
    void setRotAmp(double a);
    void setaFWRot(double rotateA);
    // Gives the step a new duration; the knee hold window keeps its share of
    // the cycle. Without a current step duration the window cannot be
    // rescaled and keeps its length. A duration that is not a finite number
    // is ignored.
    void changeTFSfPeriods(double hPeriod);

    void calcOSC();

    double masterHipXGEN() const;
    double masterHipYGEN() const;
    double masterKneeGEN() const;
    double masterAnkleGEN() const;
    double masterArmGEN() const;
    double masterRotGEN() const;
    double slaveHipXGEN() const;
    double slaveHipYGEN() const;
    double slaveKneeGEN() const;
    double slaveAnkleGEN() const;
    double slaveArmGEN() const;
    double slaveRotGEN() const;
    // Each ankle rolls with the other leg's hip.
    double masterAnkleYGEN() const;
    double slaveAnkleYGEN() const;

    double masterHipXOSC(double t) const;
    double slaveHipXOSC(double t) const;
    double masterHipYOSC(double t) const;
    double slaveHipYOSC(double t) const;
    double masterKneeOSC(double t) const;
    double slaveKneeOSC(double t) const;
    double masterArmOSC(double t) const;
    double slaveArmOSC(double t) const;
    double calcHeapRot(double t) const;
    double masterRotOSC(double t) const;
    double slaveRotOSC(double t) const;
    // t folded into one gait cycle, truncating toward zero (a negative t
    // gives a value in (-T, 0]); 0 when there is no cycle.
    double normalizeTime(double t) const;
    double getRHipRotate() const;
    double getLHipRotate() const;

private:
    // The gait's half-circle constant, deliberately not the library's pi: the
    // gait tables were tuned with it.
    static constexpr double kPi = 3.1415927;

    bool hasPeriod() const;
    // Angular frequency of one step; 0 without a period.
    double omega() const;
    // The step duration; 0 without a period.
    double step() const;
    double kneeOSC(double n, double scale) const;
    double hipXOSC(double t, double scaleA, double scaleB) const;

    double time;
    // Amplitude scales per joint and leg. The overall scales, the slave's
    // hip-yaw scale and the forward-rotation scales have setters but no
    // output uses them, so they are not kept.
    double rMaArm, rSaArm, rMaRot, rMaHip, rSaHip, rMbHip, rSbHip, rMaHipY, rSaHipY, rMaknee,
        rSaknee;
    double aArm, cArm, aRot, aFWRot;
    double aHipY, aKnee, t1Knee, t2Kknee, cKnee, aHip, bHip, cHip, halfPeriod;
    double masterHipX, masterHipY, masterKnee, masterAnkle, masterArm, masterRot;
    double slaveHipX, slaveHipY, slaveKnee, slaveAnkle, slaveArm, slaveRot;
};
