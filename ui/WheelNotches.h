#pragma once

// The whole notches of a mouse wheel's turns. A fine-grained wheel or a
// touchpad sends parts of a notch; what is left of one waits for the next
// turn, so a window steps once per whole notch either way.
class WheelNotches
{
public:
    // Adds a turn (QWheelEvent::angleDelta, eighths of a degree) and returns
    // the whole notches it completes: negative toward the user.
    int Add(int angleDelta)
    {
        m_rest += angleDelta;
        const int notches = m_rest / Notch;
        m_rest -= notches * Notch;
        return notches;
    }

    // Adds a turn and calls down() for each whole notch toward the user,
    // up() for each away from the user.
    template <typename Down, typename Up>
    void Turn(int angleDelta, Down &&down, Up &&up)
    {
        const int notches = Add(angleDelta);
        for (int notch = notches; notch < 0; ++notch)
            down();
        for (int notch = 0; notch < notches; ++notch)
            up();
    }

private:
    // A notch of a standard wheel is 15 degrees.
    static constexpr int Notch = 120;
    int m_rest = 0;
};
