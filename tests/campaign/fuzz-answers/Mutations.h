#pragma once
// Malformed gateway answers, each made from a valid one: the kinds of damage a
// proxy, a broken gateway release or a hostile network can do to an answer.

#include "campaign/Campaign.h"

#include <string>
#include <vector>

namespace svcgate::campaign {

struct Mutation {
    const char* name;
    // How many times as often as a kind of weight 1 it is drawn.
    unsigned weight;
    std::string (*apply)(Random& random, const std::string& valid);
};

const std::vector<Mutation>& Mutations();
const Mutation& DrawMutation(Random& random, long caseNumber);

} // namespace svcgate::campaign
