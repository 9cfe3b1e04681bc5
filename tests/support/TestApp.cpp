#include "TestApp.h"

namespace kwf::test {

TestApp::TestApp()
{
    auto f = std::make_unique<FakeSerialPort>(&clock);
    fake = f.get();
    port = std::move(f);
    wire();
}

TestApp::TestApp(const PortFactory& makePort)
{
    port = makePort(clock);
    wire();
}

void TestApp::validateWith(const char* response, const char* interface)
{
    Configuration* c = principal->configuration();
    c->SEL_REP->setCurrentText(QString::fromUtf8(response));
    c->SEL_INTER->setCurrentText(QString::fromUtf8(interface));
    validate();
    ui.messages.clear();
    takeWrites();
}

std::vector<QByteArray> TestApp::takeWrites()
{
    std::vector<QByteArray> out;
    if (!fake)
        return out;
    for (size_t i = m_seen; i < fake->writes.size(); ++i)
        out.push_back(fake->writes[i].bytes);
    m_seen = fake->writes.size();
    return out;
}

} // namespace kwf::test
