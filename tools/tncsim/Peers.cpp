#include "Peers.h"

#include <array>
#include <iostream>

namespace tncsim {

namespace {

constexpr std::size_t kReceiveKeep = 65536; // what a scripted station remembers for "await"
constexpr int kIdleRepeatMs = 1000;         // a block with no pause in it repeats at most this often

constexpr std::string_view kMailboxPrompt = "ENTER COMMAND: B,J,K,L,R,S, or Help >";
constexpr std::string_view kKanodePrompt = "ENTER COMMAND: B,C,J,N,X, or Help ?";

bool contains(const Bytes& text, std::string_view what) {
    return text.find(what) != Bytes::npos;
}

} // namespace

// ---- Mailbox

void Mailbox::linkUp(const std::shared_ptr<Link>& link, const std::string&) {
    link_ = link;
    const std::string& eol = sim_.eol();
    send("[TOLVEXSIM-1.0-H$]" + eol + "99845 BYTES AVAILABLE" + eol + std::string(kMailboxPrompt) + eol);
}

void Mailbox::linkData(Link&, const Bytes& data) {
    lines_.feed(data, [this](const std::string& line) { command(line); });
}

void Mailbox::linkClosed(Link&) {
    link_.reset();
    done_ = true;
}

void Mailbox::send(const std::string& text) {
    if (link_) link_->send(this, text);
}

void Mailbox::command(const std::string& line) {
    if (!link_) return;
    const std::vector<std::string> parts = words(line);
    const std::string word = parts.empty() ? "" : toUpper(parts[0]);
    const std::string& eol = sim_.eol();
    if (word == "B" || word == "BYE") {
        link_->close(this);
        link_.reset();
        done_ = true;
        return;
    }
    if (!word.empty() && word[0] == 'L')
        send("No messages" + eol + std::string(kMailboxPrompt) + eol);
    else
        send(std::string(kMailboxPrompt) + eol);
}

// ---- NodeSession

void NodeSession::linkUp(const std::shared_ptr<Link>& link, const std::string&) {
    up_ = link;
    if (node_.style == NodeStyle::Kanode) {
        reply("###CONNECTED TO NODE " + node_.alias + "(" + node_.call + ") CHANNEL A");
        prompt();
    }
}

void NodeSession::reply(const std::string& text) {
    if (!up_) return;
    std::string prefix;
    if (node_.style == NodeStyle::Bpq)
        prefix = node_.alias + ":" + node_.call + "} ";
    else if (node_.style == NodeStyle::Netrom)
        prefix = node_.alias + ":" + node_.call + "> ";
    up_->send(this, prefix + text + sim_.eol());
}

void NodeSession::prompt() {
    if (up_ && node_.style == NodeStyle::Kanode) up_->send(this, std::string(kKanodePrompt) + sim_.eol());
}

void NodeSession::linkData(Link& link, const Bytes& data) {
    if (down_ && &link == down_.get()) {
        if (up_) up_->send(this, data);
        return;
    }
    if (!up_ || &link != up_.get()) return;
    if (down_)
        down_->send(this, data);
    else if (connecting_)
        held_ += data;
    else
        lines_.feed(data, [this](const std::string& line) {
            // A line can connect onward; what follows it in the same packet waits for the link.
            if (down_ || connecting_)
                held_ += line + "\r";
            else
                command(line);
        });
}

void NodeSession::linkClosed(Link& link) {
    if (up_ && &link == up_.get()) {
        up_.reset();
        if (down_) down_->close(this);
        finish();
        return;
    }
    if (down_ && &link == down_.get()) {
        down_.reset();
        if (node_.style == NodeStyle::Kanode)
            reply("###DISCONNECTED BY " + downCall_ + " AT NODE " + node_.alias);
        if (up_) up_->close(this);
        finish();
    }
}

void NodeSession::finish() {
    if (connecting_) connecting_->cancelled = true;
    connecting_.reset();
    up_.reset();
    down_.reset();
    done_ = true;
}

void NodeSession::command(const std::string& line) {
    const std::vector<std::string> parts = words(line);
    if (parts.empty()) {
        prompt();
        return;
    }
    const std::string word = toUpper(parts[0]);
    const bool kanode = node_.style == NodeStyle::Kanode;
    if (abbreviates(word, "CONNECT", 1) && parts.size() >= 2) {
        // "C 2 CALL" names a radio port; there is only one channel here.
        const std::string target = toUpper(parts.size() >= 3 && allDigits(parts[1]) ? parts[2] : parts[1]);
        std::weak_ptr<NodeSession> weak = weak_from_this();
        connecting_ = sim_.connect(shared_from_this(), node_.call, target,
                                   [weak, target](ConnectResult result, std::shared_ptr<Link> link) {
                                       if (auto self = weak.lock()) self->connectDone(result, link, target);
                                   });
        return;
    }
    if (word == "B" || word == "BYE" || word == "Q" || word == "QUIT") {
        if (up_) up_->close(this);
        finish();
        return;
    }
    if (abbreviates(word, "NODES", 1)) {
        std::string list;
        for (const std::string& name : sim_.nodeNames())
            if (name != node_.alias + ":" + node_.call) list += (list.empty() ? "" : "  ") + name;
        reply(kanode ? "###NODES: " + list : "Nodes");
        if (!kanode && !list.empty() && up_) up_->send(this, list + sim_.eol());
        prompt();
        return;
    }
    if (kanode && word == "J") {
        reply("###NO STATIONS HEARD");
        prompt();
        return;
    }
    reply(kanode ? "###INVALID COMMAND" : "Invalid command");
    prompt();
}

void NodeSession::connectDone(ConnectResult result, const std::shared_ptr<Link>& link,
                              const std::string& target) {
    connecting_.reset();
    const bool kanode = node_.style == NodeStyle::Kanode;
    if (result == ConnectResult::Connected) {
        down_ = link;
        downCall_ = target;
        if (!up_) { // the user left while we were calling
            down_->close(this);
            down_.reset();
            return;
        }
        reply(kanode ? "###LINK MADE" : "Connected to " + target);
        if (!held_.empty()) down_->send(this, std::move(held_));
        held_.clear();
        return;
    }
    held_.clear();
    if (result == ConnectResult::Busy)
        reply(kanode ? "###" + target + " BUSY" : "Busy from " + target);
    else
        reply(kanode ? "###UNABLE TO CONNECT TO " + target : "Failure with " + target);
    prompt();
}

// ---- ScriptStation

void ScriptStation::warn(const std::string& text) const {
    std::cerr << "tncsim: " << call() << ": " << text << '\n';
}

void ScriptStation::start() {
    std::weak_ptr<ScriptStation> weak = weak_from_this();
    sim_.loop().after(0, [weak] {
        if (auto self = weak.lock()) self->resume();
    });
}

void ScriptStation::resume() {
    while (pc_ < def_.steps.size()) {
        const Step& step = def_.steps[pc_++];
        if (execute(step)) return;
    }
}

bool ScriptStation::execute(const Step& step) {
    std::weak_ptr<ScriptStation> weak = weak_from_this();
    const auto resumeLater = [this, weak](int ms) {
        sim_.loop().after(ms, [weak] {
            if (auto self = weak.lock()) self->resume();
        });
    };
    switch (step.kind) {
    case Step::Kind::Wait:
        waitedSinceRepeat_ = true;
        resumeLater(step.number);
        return true;
    case Step::Kind::Connect: {
        if (link_ || connecting_) {
            warn("already linked, \"connect " + step.target + "\" skipped");
            return false;
        }
        waitedSinceRepeat_ = true;
        hops_.clear();
        const std::string first = step.via.empty() ? step.target : step.via.front();
        if (!step.via.empty()) {
            hops_.assign(step.via.begin() + 1, step.via.end());
            hops_.push_back(step.target);
        }
        connecting_ = sim_.connect(shared_from_this(), call(), first,
                                   [weak, first](ConnectResult result, std::shared_ptr<Link> link) {
                                       if (auto self = weak.lock()) self->connectDone(result, link, first);
                                   });
        return true;
    }
    case Step::Kind::Send:
    case Step::Kind::SendRaw:
        if (link_)
            link_->send(this, step.kind == Step::Kind::Send ? step.text + "\r" : step.text);
        else
            warn("not linked, send dropped");
        return false;
    case Step::Kind::Disconnect:
        if (link_) link_->close(this);
        link_.reset();
        return false;
    case Step::Kind::Ui: {
        Frame frame = framePath(step.target);
        frame.source = call();
        frame.text = step.text;
        sim_.transmit(frame, this);
        return false;
    }
    case Step::Kind::Await:
        awaiting_ = step.text;
        isAwaiting_ = !awaitMet();
        if (isAwaiting_) waitedSinceRepeat_ = true;
        return isAwaiting_;
    case Step::Kind::Hear:
        // Only frames heard from now on count: the script answers what comes after it spoke.
        hearing_ = &step;
        waitedSinceRepeat_ = true;
        return true;
    case Step::Kind::Accept:
        accept_ = step.flag;
        return false;
    case Step::Kind::Echo:
        echo_ = step.flag;
        return false;
    case Step::Kind::Reply:
        reply_ = step.flag;
        return false;
    case Step::Kind::Chatter:
        if (step.number <= 0) return false;
        waitedSinceRepeat_ = true;
        chatterLeft_ = step.number;
        chatterGap_ = step.gapMs;
        chatterTick();
        return true;
    case Step::Kind::Loop:
        loopStart_ = pc_;
        return false;
    case Step::Kind::Repeat:
        pc_ = loopStart_;
        resumeLater(waitedSinceRepeat_ ? 0 : kIdleRepeatMs);
        waitedSinceRepeat_ = false;
        return true;
    }
    return false;
}

void ScriptStation::connectDone(ConnectResult result, const std::shared_ptr<Link>& link,
                                const std::string& target) {
    connecting_.reset();
    if (result == ConnectResult::Connected) {
        newLink(link);
        if (!hops_.empty()) {
            nextHop();
            return;
        }
    } else {
        warn("connect to " + target + (result == ConnectResult::Busy ? ": busy" : ": no answer"));
        hops_.clear();
    }
    resume();
}

void ScriptStation::nextHop() {
    const std::string target = hops_.front();
    hops_.erase(hops_.begin());
    hopPending_ = true;
    link_->send(this, "C " + target + "\r");
}

void ScriptStation::hopFinished(bool ok) {
    hopPending_ = false;
    rx_.clear();
    if (ok && !hops_.empty()) {
        nextHop();
        return;
    }
    if (!ok) {
        warn("connect through the nodes failed");
        hops_.clear();
        if (link_) link_->close(this);
        link_.reset();
    }
    resume();
}

bool ScriptStation::awaitMet() {
    const std::size_t at = rx_.find(awaiting_);
    if (at == Bytes::npos) return false;
    rx_.erase(0, at + awaiting_.size());
    return true;
}

void ScriptStation::heard(const Frame& frame) {
    if (!hearing_ || (hearing_->target != "*" && hearing_->target != frame.source) ||
        !contains(frame.text, hearing_->text))
        return;
    hearing_ = nullptr;
    // Resume on the next turn, so a frame sent in reply is not heard inside the sender's own step.
    std::weak_ptr<ScriptStation> weak = weak_from_this();
    sim_.loop().after(0, [weak] {
        if (auto self = weak.lock()) self->resume();
    });
}

Offer ScriptStation::offer() {
    if (!accept_) return {};
    if (link_ || connecting_) return {ConnectResult::Busy, nullptr};
    return {ConnectResult::Connected, shared_from_this()};
}

void ScriptStation::linkUp(const std::shared_ptr<Link>& link, const std::string&) {
    newLink(link);
}

void ScriptStation::newLink(const std::shared_ptr<Link>& link) {
    link_ = link;
    rx_.clear();
    lines_.clear();
    inMessage_ = false;
}

void ScriptStation::linkData(Link& link, const Bytes& data) {
    if (&link != link_.get()) return;
    rx_ += data;
    if (rx_.size() > kReceiveKeep) rx_.erase(0, rx_.size() - kReceiveKeep / 2);
    if (hopPending_) {
        if (contains(rx_, "Connected to") || contains(rx_, "###LINK MADE"))
            hopFinished(true);
        else if (contains(rx_, "Failure with") || contains(rx_, "Busy from") ||
                 contains(rx_, "UNABLE TO CONNECT") || contains(rx_, " BUSY") ||
                 contains(rx_, "Invalid command") || contains(rx_, "INVALID COMMAND"))
            hopFinished(false);
        return;
    }
    if (echo_ || reply_) lines_.feed(data, [this](const std::string& line) { incomingLine(line); });
    if (isAwaiting_ && awaitMet()) {
        isAwaiting_ = false;
        resume();
    }
}

void ScriptStation::incomingLine(const std::string& line) {
    if (!link_) return;
    if (reply_) {
        // A message's lines are answered by one receipt, not echoed one by one.
        if (!inMessage_ && line.starts_with(".hdr")) {
            inMessage_ = true;
            header_ = line;
            return;
        }
        if (inMessage_) {
            if (line.find("$^") != std::string::npos) {
                inMessage_ = false;
                sendReceipt(header_);
            }
            return;
        }
    }
    // Never answer an echo, so two echoing stations cannot talk forever.
    if (echo_ && !line.starts_with("ECHO: ")) link_->send(this, "ECHO: " + line + "\r");
}

void ScriptStation::sendReceipt(const std::string& header) {
    // The subject is what follows the second underscore (the first one starts the sender).
    const std::size_t first = header.find('_');
    const std::size_t second = first == std::string::npos ? first : header.find('_', first + 1);
    const std::string subject = second == std::string::npos ? "" : header.substr(second + 1);
    // Never answer a receipt, so two replying stations cannot talk forever.
    if (subject == "Receipt") return;
    const std::string quoted = subject.empty() ? "" : " \"" + subject + "\"";
    link_->send(this, ".hdr  _" + call() + " _Receipt\r\rYour message" + quoted + " was received at " +
                          call() + ". 73\r$^\r");
}

void ScriptStation::linkClosed(Link& link) {
    if (&link != link_.get()) return;
    link_.reset();
    if (hopPending_) hopFinished(false);
}

void ScriptStation::chatterTick() {
    static constexpr std::array<const char*, 10> prefixes{"K",  "W",  "N",  "KB", "KD",
                                                          "KF", "WA", "WB", "AA", "AD"};
    static constexpr std::array<const char*, 6> dests{"CQ", "BEACON", "ID", "QST", "MAIL", "NODES"};
    static constexpr std::array<const char*, 8> texts{
        "Net tonight at 1900 local on this frequency",
        "QTH grid FN31, monitoring",
        "Mail for: N0CALL W1XYZ",
        "Weather: wind NW 10 kt, 12 C, pressure steady",
        "Checking in from the field station",
        "Digipeater test, please ignore",
        "Emergency net practice Saturday 0900",
        "Beacon: node up, 2 users",
    };
    std::mt19937& rng = sim_.rng();
    const auto pick = [&rng](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    std::string source = prefixes[pick(prefixes.size())];
    source += static_cast<char>('0' + pick(10));
    for (std::size_t i = 0, n = 1 + pick(3); i < n; ++i)
        source += static_cast<char>('A' + pick(26));
    if (pick(3) == 0) source += "-" + std::to_string(1 + pick(15));

    Frame frame;
    frame.source = source;
    frame.dest = dests[pick(dests.size())];
    frame.text = texts[pick(texts.size())];
    sim_.transmit(frame, this);

    std::weak_ptr<ScriptStation> weak = weak_from_this();
    const bool more = --chatterLeft_ > 0;
    sim_.loop().after(more ? chatterGap_ : 0, [weak, more] {
        if (auto self = weak.lock()) {
            if (more)
                self->chatterTick();
            else
                self->resume();
        }
    });
}

} // namespace tncsim
