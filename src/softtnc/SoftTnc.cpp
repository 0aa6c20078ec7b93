#include "softtnc/SoftTnc.h"

#include <utility>

namespace tolvex {

SoftTnc::SoftTnc(const Settings& settings, AgwTransport& transport, Scheduler& scheduler)
    : settings_(settings), transport_(transport), scheduler_(scheduler) {
    transport_.onFrame = [this](const AgwFrame& frame) { frameReceived(frame); };
    transport_.onError = [this](const QByteArray& reason) {
        // The modem is gone, and with it any link: the owner hears of it as a lost device.
        problem_ = QString::fromUtf8(reason);
        open_ = false;
        linkGone();
        if (onError) onError(Error::DeviceLost);
    };
}

SoftTnc::~SoftTnc() {
    stopWaiting();
    transport_.onFrame = nullptr;
    transport_.onError = nullptr;
}

bool SoftTnc::open(const Config&) {
    if (open_) return true;
    problem_.clear();
    if (!transport_.open()) return false;
    open_ = true;
    converse_ = false;
    lastWasCr_ = false;
    line_.clear();
    stopWaiting();
    link_ = Link::None;
    partner_.clear();
    commandSinceOpen_ = false;
    unseenWarnings_.clear();
    // Only the station's own call is registered: a connect to its mailbox SSID finds nobody,
    // as with a TNC that has no mailbox.
    myCall_ = settings_.Callsign.trimmed().toUpper();
    if (const QByteArray problem = callProblem(myCall_); !myCall_.isEmpty() && !problem.isEmpty()) {
        // Said where the operator looks; MYCALL can still set a good one.
        warn(problem);
        myCall_.clear();
    }
    if (!myCall_.isEmpty()) registerCall('X', myCall_);
    AgwFrame monitorOn;
    monitorOn.kind = 'm';
    transport_.send(monitorOn);
    return true;
}

void SoftTnc::close() {
    if (!open_) return;
    open_ = false;
    linkGone(); // the modem drops the links of a program that leaves it
    transport_.close();
}

bool SoftTnc::isOpen() const {
    return open_;
}

bool SoftTnc::write(const QByteArray& bytes) {
    if (!open_) return false;
    const QByteArray cmdChar = settings_.cmdChar(); // read once per write, not per byte
    for (const char c : bytes)
        typed(c, cmdChar);
    return true;
}

QByteArray SoftTnc::unprotoText() const {
    return unprotoVia_.isEmpty() ? unprotoTo_ : unprotoTo_ + " VIA " + unprotoVia_.join(',');
}

// ---- Typing -------------------------------------------------------------------------------------

void SoftTnc::typed(char c, const QByteArray& cmdChar) {
    if (!cmdChar.isEmpty() && c == cmdChar[0]) {
        line_.clear();
        lastWasCr_ = false;
        converse_ = false;
        prompt();
        return;
    }
    if (c == '\n' && lastWasCr_) { // the LF of a CR LF line end
        lastWasCr_ = false;
        return;
    }
    lastWasCr_ = c == '\r';
    if (c == '\r' || c == '\n') {
        print(lineEnd());
        const QByteArray line = std::exchange(line_, {});
        if (converse_)
            converseLine(line + '\r');
        else
            command(line);
        return;
    }
    if (c == '\b' || c == 0x7F) {
        if (!line_.isEmpty()) {
            line_.chop(1);
            print("\b \b");
        }
        return;
    }
    if (!converse_ && line_.size() >= kPacketLength) return; // a command line has no more room
    line_.append(c);
    print(QByteArray(1, c));
    if (converse_ && line_.size() >= kPacketLength) converseLine(std::exchange(line_, {}));
}

void SoftTnc::command(const QByteArray& line) {
    QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray verb = words.takeFirst().toUpper();
    if (verb.isEmpty()) return prompt();
    if (!commandSinceOpen_) {
        commandSinceOpen_ = true;
        // Before the answer: a program asking at start-up reads what precedes its answer.
        for (const QByteArray& warning : std::exchange(unseenWarnings_, {}))
            printLine(warning);
    }
    const auto is = [&verb](const QByteArray& setting) {
        const QByteArray name = setting.trimmed().toUpper();
        return !name.isEmpty() && verb == name;
    };
    if (is(settings_.ConnCmd))
        connectCommand(words);
    else if (is(settings_.DisconCmd))
        disconnectCommand();
    else if (is(settings_.ConverseCmd))
        converse_ = true;
    else if (is(settings_.UnprotoCmd))
        unprotoCommand(words);
    else if (verb == "MYCALL")
        myCallCommand(words);
    else if (const auto lines = parameterCommand ? parameterCommand(verb, words) : std::nullopt; !lines)
        answer("?EH");
    else if (verb == "DISPLAY")
        answer(("MYCALL " + myCall_ + lineEnd() + "UNPROTO " + unprotoText() + lineEnd() +
                lines->join(lineEnd())));
    else if (lines->isEmpty())
        prompt();
    else
        answer(lines->join(lineEnd()));
}

void SoftTnc::converseLine(const QByteArray& text) {
    if (link_ == Link::Up) return sendFrame('D', partner_, text);
    if (myCall_.isEmpty()) return printLine("?MYCALL not set");
    if (unprotoVia_.isEmpty())
        sendFrame('M', unprotoTo_, text);
    else
        sendFrame('V', unprotoTo_, encodeAgwPath(unprotoVia_) + text);
}

void SoftTnc::connectCommand(const QList<QByteArray>& words) {
    if (words.isEmpty()) {
        if (link_ == Link::Up) return answer("Link state is: CONNECTED to " + partner_);
        return answer(link_ == Link::None ? "Link state is: DISCONNECTED" : "Link state is: busy");
    }
    if (link_ == Link::Up) return answer("?already connected to " + partner_);
    if (link_ != Link::None) return answer("?link busy with " + partner_);
    if (myCall_.isEmpty()) return answer("?MYCALL not set");
    const Address address = parseAddress(words);
    if (!address.problem.isEmpty()) return answer(address.problem);
    link_ = Link::Connecting;
    partner_ = address.call;
    linkDigipeaters_ = int(address.digipeaters.size());
    if (address.digipeaters.isEmpty())
        sendFrame('C', partner_);
    else
        sendFrame('v', partner_, encodeAgwPath(address.digipeaters));
    waitForModem(linkDigipeaters_);
}

void SoftTnc::disconnectCommand() {
    if (link_ == Link::None) return answer("Link state is: DISCONNECTED");
    // Asking again sends again, but does not put the end off.
    if (std::exchange(link_, Link::Disconnecting) != Link::Disconnecting) waitForModem(linkDigipeaters_);
    sendFrame('d', partner_);
    prompt();
}

void SoftTnc::unprotoCommand(const QList<QByteArray>& words) {
    // Named in full whatever the command word, as a TNC names its setting: the program looks for it.
    if (words.isEmpty()) return answer("UNPROTO " + unprotoText());
    const Address address = parseAddress(words);
    if (!address.problem.isEmpty()) return answer(address.problem);
    unprotoTo_ = address.call;
    unprotoVia_ = address.digipeaters;
    prompt();
}

void SoftTnc::myCallCommand(const QList<QByteArray>& words) {
    if (words.isEmpty()) return answer("MYCALL " + myCall_);
    if (words.size() > 1) return answer("?EH");
    const QByteArray call = words.first().toUpper();
    if (const QByteArray problem = callProblem(call); !problem.isEmpty()) return answer(problem);
    const QByteArray old = std::exchange(myCall_, call);
    if (!old.isEmpty()) registerCall('x', old);
    registerCall('X', myCall_);
    if (old.isEmpty()) return prompt();
    answer("MYCALL was " + old);
}

SoftTnc::Address SoftTnc::parseAddress(const QList<QByteArray>& words) {
    Address address;
    const QList<QByteArray> parts = words.join(' ').replace(',', ' ').simplified().toUpper().split(' ');
    address.call = parts.first();
    if (address.call.isEmpty()) {
        address.problem = "?callsign missing";
        return address;
    }
    if (address.problem = callProblem(address.call); !address.problem.isEmpty()) return address;
    if (parts.size() == 1) return address;
    if (parts[1] != "VIA" && parts[1] != "V") {
        address.problem = "?EH";
        return address;
    }
    address.digipeaters = parts.mid(2);
    if (address.digipeaters.isEmpty())
        address.problem = "?digipeater missing after VIA";
    else if (address.digipeaters.size() > kMaxDigipeaters)
        address.problem = "?too many digipeaters (" + QByteArray::number(kMaxDigipeaters) + " at most)";
    for (const QByteArray& digi : std::as_const(address.digipeaters))
        if (address.problem.isEmpty()) address.problem = callProblem(digi);
    return address;
}

bool SoftTnc::sameCall(const QByteArray& a, const QByteArray& b) {
    const auto plain = [](const QByteArray& call) {
        const QByteArray upper = call.trimmed().toUpper();
        const qsizetype dash = upper.indexOf('-');
        bool number = false;
        const int ssid = dash < 0 ? -1 : upper.mid(dash + 1).toInt(&number);
        return number && ssid == 0 ? upper.left(dash) : upper;
    };
    return plain(a) == plain(b);
}

// An AX.25 address: up to six letters and digits, and an SSID from 0 to 15 after a dash.
QByteArray SoftTnc::callProblem(const QByteArray& call) {
    if (call.size() > kAgwCallField - 1) return "?callsign too long: " + call + " (9 characters at most)";
    const qsizetype dash = call.indexOf('-');
    const QByteArray base = dash < 0 ? call : call.left(dash);
    bool baseOk = !base.isEmpty() && base.size() <= 6;
    for (const char c : base)
        baseOk = baseOk && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
    bool ssidOk = true;
    if (dash >= 0) {
        const QByteArray ssid = call.mid(dash + 1);
        const int value = ssid.toInt(&ssidOk);
        ssidOk = ssidOk && !ssid.startsWith('+') && value >= 0 && value <= 15;
    }
    return baseOk && ssidOk ? QByteArray() : "?bad callsign: " + call;
}

// ---- From the modem -----------------------------------------------------------------------------

void SoftTnc::frameReceived(const AgwFrame& frame) {
    if (!open_) return;
    switch (frame.kind) {
    case 'X':
        if (!frame.data.isEmpty() && frame.data[0] == '\0')
            warn("?MYCALL " + (frame.callFrom.isEmpty() ? myCall_ : frame.callFrom) +
                 " refused by the modem");
        break;
    case 'C':
        linkUp(frame.callFrom);
        break;
    case 'D':
        if (link_ == Link::Up && sameCall(frame.callFrom, partner_)) print(lineEnds(frame.data));
        break;
    case 'd':
        if (link_ != Link::None && sameCall(frame.callFrom, partner_)) linkDown(frame.data);
        break;
    case 'U':
    case 'I':
    case 'S':
        monitored(frame);
        break;
    default: // the modem's own frames, counts: nothing a TNC shows
        break;
    }
}

void SoftTnc::linkUp(const QByteArray& remote) {
    if (link_ != Link::None && !sameCall(remote, partner_)) {
        // One link at a time: a second station that reached us is sent away.
        sendFrame('d', remote);
        return;
    }
    stopWaiting();
    if (link_ == Link::None) linkDigipeaters_ = 0; // a caller's path is not told: taken as direct
    link_ = Link::Up;
    partner_ = remote;
    converse_ = true;
    line_.clear();
    printLine(settings_.ConnStr + " to " + remote);
}

void SoftTnc::linkDown(const QByteArray& why) {
    if (why.contains("RETRYOUT")) printLine("*** retry count exceeded");
    if (why.contains("BUSY")) printLine("*** " + partner_ + " busy");
    stopWaiting();
    link_ = Link::None;
    partner_.clear();
    converse_ = false;
    line_.clear();
    printLine(settings_.DisconStr);
    prompt();
}

// The link went with the modem link: said as a TNC says a link ended, or the program would go on
// showing it.
void SoftTnc::linkGone() {
    stopWaiting();
    const bool hadLink = std::exchange(link_, Link::None) != Link::None;
    partner_.clear();
    converse_ = false;
    if (hadLink) printLine(settings_.DisconStr);
}

void SoftTnc::waitForModem(int digipeaters) {
    stopWaiting();
    giveUp_ = scheduler_.callAfter(giveUpMs(digipeaters), [this] {
        giveUp_ = 0;
        modemSilent();
    });
}

void SoftTnc::stopWaiting() {
    if (giveUp_) scheduler_.cancel(std::exchange(giveUp_, 0));
}

// The modem never said how a connect or disconnect ended: it ends as a TNC's own tries would.
void SoftTnc::modemSilent() {
    if (link_ == Link::Connecting) {
        sendFrame('d', partner_); // a link the modem still makes later is not wanted
        linkDown("RETRYOUT");
    } else if (link_ == Link::Disconnecting) {
        linkDown({});
    }
}

void SoftTnc::monitored(const AgwFrame& frame) {
    // Only while no link of ours is up, being made or ended: the program reads that link's texts
    // (connected, disconnected, a message's header) in this stream, and must not find them in
    // other stations' frames.
    if (link_ != Link::None) return;
    // The modem's data: " 1:Fm SRC To DST Via DIGI* <UI pid=F0 Len=5 PF=0 >[12:00:00]", CR, text;
    // "<I S0 R1 pid=F0 Len=5 >", "<RR R3 F >", "<SABM P >" for a link's frames.
    const qsizetype cr = frame.data.indexOf('\r');
    const QByteArray head = cr < 0 ? frame.data : frame.data.left(cr);
    const qsizetype open = head.indexOf(" <");
    const qsizetype close = head.indexOf('>', open);
    if (open < 0 || close < 0) return;
    QList<QByteArray> kind; // what a TNC shows of it, without the modem's details ("pid=F0")
    for (const QByteArray& word : head.mid(open + 2, close - open - 2).split(' '))
        if (!word.isEmpty() && !word.contains('=')) kind.append(word);
    if (kind.isEmpty()) return;
    const bool ui = kind.first() == "UI";
    const bool withText = ui || kind.first() == "I";
    QByteArray text = cr < 0 || !withText ? QByteArray() : frame.data.mid(cr + 1);
    while (text.endsWith('\0') || text.endsWith('\r') || text.endsWith('\n'))
        text.chop(1);
    QByteArray path = frame.callFrom + '>' + frame.callTo;
    if (const qsizetype via = head.indexOf(" Via "); via >= 0 && via < open)
        path += ',' + head.mid(via + 5, open - via - 5).trimmed().replace(' ', "");
    if (ui) kind = {"UI"};
    printLine(path + ": <" + kind.join(' ') + '>' + (withText ? ":" : ""));
    if (text.isEmpty()) return;
    // A group's or the net's message comes in UI frames and is read as sent. Another link's text
    // is only shown, and a TNC's link text inside it is shown in the other case, so that the
    // program does not take it for this station's link.
    if (!ui) {
        for (const QByteArray& linkText : {settings_.ConnStr, settings_.DisconStr}) {
            const QByteArray other = linkText.toLower() != linkText ? linkText.toLower() : linkText.toUpper();
            if (!linkText.isEmpty() && other != linkText) text.replace(linkText, other);
        }
    }
    printLine(lineEnds(text));
}

// ---- Output -------------------------------------------------------------------------------------

void SoftTnc::sendFrame(char kind, const QByteArray& to, const QByteArray& data) {
    AgwFrame frame;
    frame.kind = kind;
    frame.pid = kAgwTextPid;
    frame.callFrom = myCall_;
    frame.callTo = to;
    frame.data = data;
    transport_.send(frame);
}

void SoftTnc::registerCall(char kind, const QByteArray& call) {
    AgwFrame frame;
    frame.kind = kind;
    frame.callFrom = call;
    transport_.send(frame);
}

void SoftTnc::print(const QByteArray& text) {
    if (onReceived && !text.isEmpty()) onReceived(text);
}

void SoftTnc::printLine(const QByteArray& text) {
    print(text + lineEnd());
}

void SoftTnc::warn(const QByteArray& text) {
    printLine(text);
    if (!commandSinceOpen_) unseenWarnings_.append(text);
}

void SoftTnc::answer(const QByteArray& text) {
    print(text + lineEnd() + settings_.TNCCmd);
}

void SoftTnc::prompt() {
    print(settings_.TNCCmd);
}

// Lines end in CR, with an LF after it unless the program reads CR alone.
QByteArray SoftTnc::lineEnd() const {
    return settings_.InLineEnd == "\r" ? "\r" : "\r\n";
}

QByteArray SoftTnc::lineEnds(QByteArray text) const {
    return text.replace("\r\n", "\r").replace('\n', '\r').replace("\r", lineEnd());
}

} // namespace tolvex
