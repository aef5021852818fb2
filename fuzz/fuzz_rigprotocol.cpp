// The network port takes any bytes a client sends: answers are whole lines, none after the end
// nor while a wait_morse waits, and a change reaches the panel only while the serial port is
// open, with a value it can send.

#include "Fakes.h"
#include "FuzzCheck.h"
#include "protocol/Morse.h"
#include "remote/RigConversation.h"

#include <fuzzer/FuzzedDataProvider.h>

// The scripted station program's target, each change checked as it arrives.
struct Target : FakeRigTarget
{
    bool setFrequency(qint64 hz) override // which frequencies it takes is its own rule
    {
        changed(true);
        return hz >= 0 && hz <= 999999;
    }
    void setSpeed(qint64 t) override { changed(t >= 1 && t <= 500 && (t <= 10 || t % 10 == 0)); }
    void setPower(int index) override { changed(index >= 0 && index <= 3); }
    bool sendMorse(const QString &text) override
    {
        changed(!text.isEmpty() && text.size() <= 200 &&
                std::all_of(text.begin(), text.end(), [](QChar c) { // never a '?' for it
                    return c == u' ' || c == u'\t' || !Morse::code(c).isEmpty();
                }));
        return true;
    }
    void stopMorse() override { changed(true); }

    void changed(bool valueFits) const
    {
        check(open, "a change reached the panel with the serial port closed");
        check(valueFits, "a change reached the panel with a value the transmitter cannot take");
    }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    Target target;
    target.open = input.ConsumeBool();
    RigConversation conversation(target);
    while (input.remaining_bytes() > 0) {
        target.keyed = input.ConsumeBool(); // a wait_morse holds what follows while keyed
        const bool held = conversation.waiting() && target.keyed;
        const std::string chunk = input.ConsumeRandomLengthString(300);
        const bool endedBefore = conversation.ended();
        const QByteArray answers = conversation.take(QByteArrayView(chunk.data(), chunk.size()));
        check(!endedBefore || answers.isEmpty(), "an answer after the conversation ended");
        check(answers.isEmpty() || answers.endsWith('\n'), "an answer that is not whole lines");
        check(!held || answers.isEmpty(), "an answer while wait_morse waits for the keying");
    }
    return 0;
}
