#include "RdsGroupAssembler.h"

#include <libv4l2rds.h>

#include <new>

// RDS or RBDS makes no difference to the groups and fields we take from the
// library (only to its name tables, which we do not use): the programme type
// names come from ours, chosen by the setting.
RdsGroupAssembler::RdsGroupAssembler() : handle_(v4l2_rds_create(false))
{
    if (!handle_)
        throw std::bad_alloc();
}

RdsGroupAssembler::~RdsGroupAssembler()
{
    v4l2_rds_destroy(handle_);
}

void RdsGroupAssembler::reset()
{
    v4l2_rds_reset(handle_, true);
    groupsDecoded_ = 0;
    correctedSinceA_ = false;
}

std::optional<RdsGroup> RdsGroupAssembler::addBlock(const RdsBlock& block)
{
    // The library keeps no note of corrected blocks in its groups; we do, for
    // the segments that must then be received twice.
    if (block.id == RdsBlockId::A)
        correctedSinceA_ = false;
    if (block.corrected && !block.uncorrectable)
        correctedSinceA_ = true;

    const RdsRecord record = RecordFromBlock(block);
    v4l2_rds_data data{record.lsb, record.msb, record.block};
    v4l2_rds_add(handle_, &data);

    // Its count of decoded groups is the one sure sign that a block completed
    // a group: it drops groups with a bad block without a word.
    if (handle_->rds_statistics.group_cnt == groupsDecoded_)
        return std::nullopt;
    groupsDecoded_ = handle_->rds_statistics.group_cnt;
    const v4l2_rds_group* raw = v4l2_rds_get_group(handle_);
    RdsGroup group;
    group.pi = raw->pi;
    group.type = raw->group_id;
    group.versionB = raw->group_version == 'B';
    group.blockBLow = raw->data_b_lsb;
    group.blockC = static_cast<uint16_t>(raw->data_c_msb << 8 | raw->data_c_lsb);
    group.blockD = static_cast<uint16_t>(raw->data_d_msb << 8 | raw->data_d_lsb);
    group.corrected = correctedSinceA_;
    return group;
}

RdsBasics RdsGroupAssembler::basics() const
{
    RdsBasics basics;
    const uint32_t valid = handle_->valid_fields;
    basics.hasPi = (valid & V4L2_RDS_PI) != 0;
    basics.pi = basics.hasPi ? handle_->pi : 0;
    basics.hasPty = (valid & V4L2_RDS_PTY) != 0;
    basics.pty = basics.hasPty ? handle_->pty : 0;
    basics.trafficProgramme = (valid & V4L2_RDS_TP) && handle_->tp;
    basics.trafficAnnouncement = (valid & V4L2_RDS_TA) && handle_->ta;
    if (valid & V4L2_RDS_AF) {
        const v4l2_rds_af_set& af = handle_->rds_af;
        basics.alternativeFrequencies.count = af.size < kRdsMaxAlternativeFrequencies ? af.size : kRdsMaxAlternativeFrequencies;
        for (int i = 0; i < basics.alternativeFrequencies.count; ++i)
            basics.alternativeFrequencies.hz[i] = af.af[i];
    }
    return basics;
}
