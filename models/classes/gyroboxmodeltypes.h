#pragma once

#include <memory>

// What a wing or tail type of the stabiliser box asks of its outputs: which outputs move
// together, and on which outputs each stabilised axis (0 roll, 1 pitch, 2 yaw) may act.
inline constexpr int kGyroboxNoLinkedOutput = 255;

class GyroboxWingType
{
public:
    virtual ~GyroboxWingType() = default;
    // The output that output `output` is linked to, or kGyroboxNoLinkedOutput.
    [[nodiscard]] virtual int linkedOutput(int output) const = 0;
    [[nodiscard]] virtual bool axisAllowed(int output, int axis) const = 0;
};

class GyroboxNormalWingType : public GyroboxWingType
{
public:
    [[nodiscard]] int linkedOutput(int output) const override;
    [[nodiscard]] bool axisAllowed(int output, int axis) const override;
};

class GyroboxFlaperonWingType : public GyroboxNormalWingType
{
public:
    [[nodiscard]] int linkedOutput(int output) const override;
};

class GyroboxElevonWingType : public GyroboxWingType
{
public:
    [[nodiscard]] int linkedOutput(int output) const override;
    [[nodiscard]] bool axisAllowed(int output, int axis) const override;
};

class GyroboxTailType
{
public:
    virtual ~GyroboxTailType() = default;
    // 0 for a normal tail, kGyroboxNoLinkedOutput for a V-tail.
    [[nodiscard]] virtual int linkedOutput(int output) const = 0;
    [[nodiscard]] virtual bool axisAllowed(int output, int axis) const = 0;
};

class GyroboxNormalTailType : public GyroboxTailType
{
public:
    [[nodiscard]] int linkedOutput(int output) const override;
    [[nodiscard]] bool axisAllowed(int output, int axis) const override;
};

class GyroboxVTailTailType : public GyroboxTailType
{
public:
    [[nodiscard]] int linkedOutput(int output) const override;
    [[nodiscard]] bool axisAllowed(int output, int axis) const override;
};

// Wing type numbers 0 normal, 1 flaperon, 2 elevon; tail type numbers 0 normal, 1 V-tail.
enum class GyroboxWing : int { Normal = 0, Flaperon = 1, Elevon = 2 };
enum class GyroboxTail : int { Normal = 0, VTail = 1 };

// The object of a type number; an unknown number gives the normal type.
[[nodiscard]] std::unique_ptr<GyroboxWingType> makeGyroboxWingType(GyroboxWing wing);
[[nodiscard]] std::unique_ptr<GyroboxTailType> makeGyroboxTailType(GyroboxTail tail);
