// The network port's command parser: any bytes a station program (or
// anything else that reaches the port) may send. Whatever comes, every
// answer is whole lines, a change reaches the panel only with a value the
// transmitter can take and only while the serial port is open, and nothing
// is answered after the conversation has ended.

#include "remote/RigProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "network protocol property broken: %s\n", what);
    std::abort();
}

class Target : public RigTarget
{
public:
    bool open = true;
    bool portOpen() const override { return open; }
    std::optional<qint64> frequency() const override { return 500000; }
    void setFrequency(qint64 hz) override { changed(hz >= 0 && hz <= 999999); }
    std::optional<qint64> speed() const override { return 200; }
    void setSpeed(qint64 tenths) override
    {
        changed(tenths >= 1 && tenths <= 500 && (tenths <= 10 || tenths % 10 == 0));
    }
    std::optional<qint64> power() const override { return 2; }
    void setPower(int index) override { changed(index >= 0 && index <= 3); }
    int messageLimit() const override { return 200; }
    void sendMorse(const QString &text) override { changed(!text.isEmpty() && text.size() <= 200); }
    void stopMorse() override { changed(true); }

private:
    void changed(bool valueFits) const
    {
        if (!open)
            fail("a change reached the panel with the serial port closed");
        if (!valueFits)
            fail("a change reached the panel with a value the transmitter cannot take");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    Target target;
    target.open = input.ConsumeBool();
    RigConversation conversation(target);
    while (input.remaining_bytes() > 0) {
        const std::string chunk = input.ConsumeRandomLengthString(300);
        const bool endedBefore = conversation.ended();
        const QByteArray answers = conversation.take(QByteArrayView(chunk.data(), chunk.size()));
        if (endedBefore && !answers.isEmpty())
            fail("an answer after the conversation ended");
        if (!answers.isEmpty() && !answers.endsWith('\n'))
            fail("an answer that is not whole lines");
    }
    return 0;
}
