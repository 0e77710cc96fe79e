// Faults, counting and trust: the bookkeeping every Accessibility call to SimExcel goes through.

#include <algorithm>

#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {
namespace {

bool hasName(std::span<const std::string_view> names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

bool SimExcel::targets(const FaultTarget& target, const SimNode& node) const {
  if (const auto* selector = std::get_if<ElementSelector>(&target)) return selector->picks(node);
  const auto* handle = dynamic_cast<const SimElementHandle*>(std::get<Element>(target).handle());
  return handle != nullptr && handle->owner() == this && handle->node().get() == &node;
}

const SimExcel::Fault* SimExcel::faultFor(const SimNode& node, Fault::Type type,
                                          std::span<const std::string_view> names) const {
  for (const auto& fault : faults_) {
    if (fault.type != type || !targets(fault.target, node)) continue;
    if (fault.name.empty() || hasName(names, fault.name)) return &fault;
  }
  return nullptr;
}

void SimExcel::injectError(const FaultTarget& target, AXError code, std::string name) {
  Lock lock(mutex_);
  faults_.push_back({target, Fault::Type::error, code, std::move(name)});
}

void SimExcel::injectPressResult(const FaultTarget& target, AXError code) {
  Lock lock(mutex_);
  faults_.push_back({target, Fault::Type::pressResult, code, "AXPress"});
}

void SimExcel::injectTimeout(const FaultTarget& target, std::string name) {
  Lock lock(mutex_);
  faults_.push_back({target, Fault::Type::timeout, ax::kCannotComplete, std::move(name)});
}

void SimExcel::setHung(const Element& element, bool hung) {
  Lock lock(mutex_);
  if (auto node = nodeOf(element)) node->hung = hung;
}

bool SimExcel::isHung(const SimNode& node) const {
  if (node.hung) return true;
  for (auto n = node.parentNode(); n; n = n->parentNode()) {
    if (n->hung) return true;
  }
  return false;
}

double SimExcel::timeoutOf(const Element& element) const {
  const auto* handle = dynamic_cast<const SimElementHandle*>(element.handle());
  double own = handle != nullptr ? handle->messagingTimeout : 0;
  return own > 0 ? own : kSystemMessagingTimeout;
}

AXError SimExcel::noAnswer(Lock& lock, const Element& element) {
  double timeout = timeoutOf(element);
  lock.unlock();
  clock_.sleep(timeout);
  lock.lock();
  return ax::kCannotComplete;
}

void SimExcel::vanishAfterReads(const Element& element, int reads) {
  Lock lock(mutex_);
  auto node = nodeOf(element);
  if (!node) return;
  if (reads <= 0) {
    detach(node);
    return;
  }
  vanishing_.emplace_back(node, reads);
}

void SimExcel::removeElement(const Element& element) {
  Lock lock(mutex_);
  if (auto node = nodeOf(element)) detach(node);
}

void SimExcel::quitAfterCalls(std::uint64_t calls) {
  Lock lock(mutex_);
  quitAfter_ = calls;
}

void SimExcel::clearFaults() {
  Lock lock(mutex_);
  faults_.clear();
  vanishing_.clear();
  quitAfter_.reset();
}

void SimExcel::noteRead(const NodePtr& node) {
  for (auto it = vanishing_.begin(); it != vanishing_.end(); ++it) {
    if (it->first.lock() != node) continue;
    if (--it->second <= 0) {
      vanishing_.erase(it);
      detach(node);
    }
    return;
  }
}

void SimExcel::countCall(AXCall kind) {
  ++counts_[static_cast<std::size_t>(kind)];
  if (!quitAfter_) return;
  if (*quitAfter_ == 0) {
    quitAfter_.reset();
    quitLocked();
    return;
  }
  --*quitAfter_;
}

std::uint64_t SimExcel::calls(AXCall kind) const {
  Lock lock(mutex_);
  return counts_[static_cast<std::size_t>(kind)];
}

std::uint64_t SimExcel::totalCalls() const {
  Lock lock(mutex_);
  std::uint64_t total = 0;
  for (auto count : counts_) total += count;
  return total;
}

std::uint64_t SimExcel::remoteCalls() const {
  Lock lock(mutex_);
  std::uint64_t total = 0;
  for (auto kind : {AXCall::copyAttribute, AXCall::copyMultiple, AXCall::actionNames, AXCall::perform, AXCall::set,
                    AXCall::elementAtPosition}) {
    total += counts_[static_cast<std::size_t>(kind)];
  }
  return total;
}

std::uint64_t SimExcel::windowListCalls() const {
  Lock lock(mutex_);
  return windowListCalls_;
}

void SimExcel::resetCounts() {
  Lock lock(mutex_);
  counts_.fill(0);
  windowListCalls_ = 0;
}

void SimExcel::setCallLatency(double seconds) {
  Lock lock(mutex_);
  latency_ = std::max(0.0, seconds);
}

void SimExcel::setTrusted(bool trusted) {
  Lock lock(mutex_);
  trusted_ = trusted;
}

int SimExcel::trustPrompts() const {
  Lock lock(mutex_);
  return prompts_;
}

std::expected<NodePtr, AXError> SimExcel::enter(Lock& lock, AXCall kind, const Element& element,
                                                std::span<const std::string_view> names) {
  countCall(kind);
  // A call's cost is paid outside the lock: Excel's own timers fire meanwhile, as they would.
  if (latency_ > 0) {
    double latency = latency_;
    lock.unlock();
    clock_.sleep(latency);
    lock.lock();
  }
  if (!trusted_) return std::unexpected(ax::kAPIDisabled);
  auto node = nodeOf(element);
  if (!node) return std::unexpected(ax::kInvalidUIElement);
  if (isHung(*node) || faultFor(*node, Fault::Type::timeout, names) != nullptr) {
    return std::unexpected(noAnswer(lock, element));
  }
  for (const auto& fault : faults_) {
    if (fault.type == Fault::Type::error && fault.name.empty() && targets(fault.target, *node)) {
      return std::unexpected(fault.code);
    }
  }
  return node;
}

}  // namespace corvane::platform::sim
